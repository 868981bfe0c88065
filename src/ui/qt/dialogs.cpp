#include "ui/qt/dialogs.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>
#include <sstream>

namespace qmxv::ui::qt {

namespace {

QDialogButtonBox* ok_button(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
  buttons->button(QDialogButtonBox::Ok)->setText("OK");
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  return buttons;
}

QString trimmed(const std::string& line) {
  return QString::fromStdString(line).trimmed();
}

}  // namespace

std::optional<int> run_choice_dialog(QWidget* parent, const RadioDialog& desc, int preset) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QString::fromStdString(desc.title));
  dialog.setModal(true);
  auto* layout = new QVBoxLayout(&dialog);
  layout->setSpacing(10);
  layout->setContentsMargins(16, 14, 16, 12);

  auto* group = new QButtonGroup(&dialog);
  auto* choices = new QVBoxLayout;
  choices->setSpacing(6);
  for (std::size_t i = 0; i < desc.labels.size(); ++i) {
    const int value = i < desc.values.size() ? desc.values[i] : static_cast<int>(i) + 1;
    auto* button = new QRadioButton(QString::fromStdString(desc.labels[i]), &dialog);
    group->addButton(button, value);
    choices->addWidget(button);
    if (value == preset) button->setChecked(true);
  }
  if (!group->checkedButton() && !group->buttons().isEmpty())
    group->buttons().front()->setChecked(true);
  layout->addLayout(choices);

  // The notes read as prose: wide enough for about ninety characters a line.
  const int note_width = dialog.fontMetrics().horizontalAdvance(QString(90, 'n'));
  for (const auto& [heading, text] : desc.notes) {
    auto* frame = new QGroupBox(QString::fromStdString(heading), &dialog);
    auto* frame_layout = new QVBoxLayout(frame);
    auto* label = new QLabel(QString::fromStdString(text), frame);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setMinimumWidth(note_width);
    frame_layout->addWidget(label);
    layout->addWidget(frame);
  }
  layout->addWidget(ok_button(&dialog));
  // Wide enough for the whole title beside the window manager's buttons.
  QFont title_font = dialog.font();
  title_font.setBold(true);
  dialog.setMinimumWidth(
      std::max(340, QFontMetrics(title_font).horizontalAdvance(dialog.windowTitle()) + 160));

  if (group->checkedButton()) group->checkedButton()->setFocus();
  if (dialog.exec() != QDialog::Accepted || !group->checkedButton()) return std::nullopt;
  return group->checkedId();
}

namespace {

// A positive number typed in a field (C locale, as everywhere in the program).
std::optional<double> positive_number(const QLineEdit* field) {
  bool ok = false;
  const double v = QLocale::c().toDouble(field->text().trimmed(), &ok);
  if (!ok || !(v > 0.0)) return std::nullopt;
  return v;
}

}  // namespace

std::optional<CharacteristicSize> run_characteristic_size_dialog(QWidget* parent,
                                                                 const CharacteristicSize& preset) {
  QDialog dialog(parent);
  dialog.setWindowTitle("Characteristic Area");
  dialog.setModal(true);
  auto* layout = new QVBoxLayout(&dialog);
  layout->setSpacing(10);
  layout->setContentsMargins(16, 14, 16, 12);
  auto* intro = new QLabel(
      "The force and moment coefficients are based on a characteristic area and length.",
      &dialog);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  auto* form = new QFormLayout;
  auto* area = new QLineEdit(QString::number(preset.area, 'g', 7), &dialog);
  auto* length = new QLineEdit(QString::number(preset.length, 'g', 7), &dialog);
  area->setObjectName("characteristic-area");
  length->setObjectName("characteristic-length");
  form->addRow("Characteristic area", area);
  form->addRow("Characteristic length", length);
  layout->addLayout(form);

  auto* units = new QButtonGroup(&dialog);
  auto* row = new QHBoxLayout;
  auto* si = new QRadioButton("SI Units", &dialog);
  auto* english = new QRadioButton("Eng. Units (US)", &dialog);
  units->addButton(si, 1);
  units->addButton(english, 2);
  (preset.english ? english : si)->setChecked(true);
  row->addWidget(si);
  row->addWidget(english);
  row->addStretch(1);
  layout->addLayout(row);

  QDialogButtonBox* buttons = ok_button(&dialog);
  layout->addWidget(buttons);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  auto check = [=] { ok->setEnabled(positive_number(area) && positive_number(length)); };
  QObject::connect(area, &QLineEdit::textChanged, &dialog, check);
  QObject::connect(length, &QLineEdit::textChanged, &dialog, check);
  check();
  dialog.setMinimumWidth(380);
  area->setFocus();
  area->selectAll();

  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const auto a = positive_number(area), l = positive_number(length);
  if (!a || !l) return std::nullopt;
  return CharacteristicSize{*a, *l, units->checkedId() == 2};
}

QString page_html(const std::string& text) {
  QString html;
  QString paragraph;
  bool in_list = false, in_item = false;
  auto close_paragraph = [&] {
    if (!paragraph.isEmpty()) html += "<p>" + paragraph.toHtmlEscaped() + "</p>\n";
    paragraph.clear();
  };
  auto close_item = [&] {
    if (in_item) html += "</li>\n";
    in_item = false;
  };
  auto close_list = [&] {
    close_item();
    if (in_list) html += "</ul>\n";
    in_list = false;
  };
  auto append = [](QString& to, const QString& words) {
    if (!to.isEmpty()) to += ' ';
    to += words;
  };

  std::istringstream in(text);
  std::string raw;
  QString item;
  auto flush_item = [&] {
    if (in_item) html += item.toHtmlEscaped();
    item.clear();
    close_item();
  };
  while (std::getline(in, raw)) {
    const QString line = trimmed(raw);
    if (line.isEmpty()) {
      close_paragraph();
      flush_item();
      close_list();
    } else if (line.startsWith("# ")) {
      close_paragraph();
      flush_item();
      close_list();
      html += "<h2>" + line.mid(2).trimmed().toHtmlEscaped() + "</h2>\n";
    } else if (line.startsWith("- ")) {
      close_paragraph();
      flush_item();
      if (!in_list) html += "<ul>\n";
      in_list = in_item = true;
      html += "<li>";
      item = line.mid(2).trimmed();
    } else if (in_item) {
      append(item, line);
    } else {
      close_list();
      append(paragraph, line);
    }
  }
  close_paragraph();
  flush_item();
  close_list();
  return html;
}

void run_page_dialog(QWidget* parent, const std::string& title, const std::string& text) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QString::fromStdString(title));
  dialog.setModal(true);
  auto* layout = new QVBoxLayout(&dialog);
  layout->setContentsMargins(12, 12, 12, 10);

  auto* page = new QTextBrowser(&dialog);
  page->setOpenExternalLinks(false);
  page->document()->setDocumentMargin(14);
  page->document()->setDefaultStyleSheet(
      "h2 { font-size: large; margin-top: 14px; margin-bottom: 6px; }"
      "p { margin-top: 0px; margin-bottom: 9px; line-height: 125%; }"
      "ul { margin-top: 0px; margin-bottom: 9px; }"
      "li { margin-bottom: 3px; line-height: 125%; }");
  QFont body = page->font();
  body.setPointSizeF(body.pointSizeF() * 1.1);
  page->document()->setDefaultFont(body);
  page->setHtml(page_html(text));
  layout->addWidget(page);
  layout->addWidget(ok_button(&dialog));

  // About seventy-five characters a line, which reads without effort.
  const int width = page->fontMetrics().horizontalAdvance(QString(75, 'n')) * 11 / 10 + 60;
  dialog.resize(width, width * 6 / 7 + 40);
  dialog.exec();
}

}  // namespace qmxv::ui::qt
