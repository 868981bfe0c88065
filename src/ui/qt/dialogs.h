// The modal dialogs of the desktop: a radio group bound to an integer with its
// framed notes, a scrollable page of explanatory text, and the characteristic
// area and length of the force coefficients.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "ui/toolkit.h"

class QWidget;

namespace qmxv::ui::qt {

// Shows the dialog and returns the chosen value, or nothing when the user
// closed it without "OK".
std::optional<int> run_choice_dialog(QWidget* parent, const RadioDialog& dialog, int preset);

// Shows a page of text with an "OK" button.
void run_page_dialog(QWidget* parent, const std::string& title, const std::string& text);

// Asks for the characteristic area and length of the force coefficients;
// nothing when the user closed the dialog without "OK". "OK" is offered
// only while both fields hold positive numbers.
std::optional<CharacteristicSize> run_characteristic_size_dialog(QWidget* parent,
                                                                 const CharacteristicSize& preset);

// The page text as HTML: paragraphs separated by blank lines, "# " headings,
// "- " list items (a following line that starts neither continues the item).
QString page_html(const std::string& text);

}  // namespace qmxv::ui::qt
