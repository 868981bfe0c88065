// The main window: fixed regions that the control bars, result pictures and
// panels are placed in by name.
//
//   +---------------------------------------------------------------+
//   | units-bar                                                     |
//   +-------------------------------+-------------------------------+
//   | flowfield-bar                 | surface-bar                   |  side
//   | flowfield                     | surface                       |
//   | history                       | forces                        |
//   +-------------------------------+-------------------------------+
//   | log                                                           |
//   +---------------------------------------------------------------+
//
// A region takes room only while something visible is in it; the two
// picture regions share the height the others leave.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>

namespace qmxv::ui::qt {

class MainWindow : public QMainWindow {
 public:
  MainWindow();

  // Puts `widget` into the region (an unknown name means "side").
  void place(const std::string& region, QWidget* widget);
  // Shows or hides a widget placed in a region, and the region with it.
  void set_visible(QWidget* widget, bool visible);
  QWidget* region(const std::string& name) const;

  // Called when the user closes the window.
  std::function<void()> on_close;
  // True once after the window came back from being minimised or hidden.
  bool take_redraw();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void refresh(QWidget* region);
  std::map<std::string, QWidget*> regions_;
  bool redraw_ = false;
  bool shown_before_ = false;
};

}  // namespace qmxv::ui::qt
