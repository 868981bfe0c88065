// The Qt 6 desktop face of the toolkit.
//
// qt_display_available() tells, without starting Qt, whether a window system
// can be reached, so the program can say so in one line instead of aborting
// inside QApplication. make_qt_toolkit() starts the application (once per
// process) and returns the desktop toolkit.
#pragma once

#include <memory>
#include <string>

#include "ui/toolkit.h"

namespace qmxv::ui {
bool qt_display_available(std::string* why);
std::unique_ptr<Toolkit> make_qt_toolkit(int& argc, char** argv);
}  // namespace qmxv::ui
