// Helpers of the desktop tests: one application per test process, and a
// script that answers modal dialogs as a user would, by clicking.
#pragma once

#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/qt/qt_toolkit.h"

namespace qmxv::test {

inline std::unique_ptr<ui::Toolkit> make_toolkit() {
  static int argc = 1;
  static char name[] = "qmxv_qt_tests";
  static char* argv[] = {name, nullptr};
  return ui::make_qt_toolkit(argc, argv);
}

inline QString plain(QString text) {
  return text.remove('&');
}

// The widget named `name` of type W: a top-level window or inside one.
template <typename W>
W* find_widget(const QString& name) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->objectName() == name)
      if (auto* w = dynamic_cast<W*>(top)) return w;
    if (auto* w = dynamic_cast<W*>(top->findChild<QWidget*>(name))) return w;
  }
  return nullptr;
}

// Clicks the button of `dialog` labelled `text`; false when there is none.
inline bool click(QWidget* dialog, const std::string& text) {
  for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
    if (plain(b->text()) == QString::fromStdString(text) && b->isVisible()) {
      b->click();
      return true;
    }
  return false;
}

// Answers the modal dialogs that come up, one action per dialog, in order.
// A dialog that waits longer than the deadline is closed, so a wrong flow
// fails the test instead of hanging it. Live while the code under test runs.
class ModalScript {
 public:
  using Action = std::function<void(QWidget*)>;
  explicit ModalScript(std::deque<Action> actions) : actions_(std::move(actions)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
    clock_.start();
    timer_.start();
  }
  // The dialogs acted on: window titles in order.
  const std::vector<std::string>& titles() const { return titles_; }
  bool timed_out() const { return timed_out_; }

 private:
  void step() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || (!last_.isNull() && w == last_.data()) || !w->isVisible()) {
      if (w && clock_.elapsed() > 10000) {
        timed_out_ = true;
        w->close();
      }
      return;
    }
    last_ = w;
    clock_.restart();
    titles_.push_back(w->windowTitle().toStdString());
    if (actions_.empty()) {
      timed_out_ = true;
      w->close();
      return;
    }
    Action a = std::move(actions_.front());
    actions_.pop_front();
    a(w);
  }

  std::deque<Action> actions_;
  std::vector<std::string> titles_;
  QTimer timer_;
  QElapsedTimer clock_;
  QPointer<QWidget> last_;
  bool timed_out_ = false;
};

// Picks the radio button labelled `choice`, then "OK".
inline ModalScript::Action pick(const std::string& choice) {
  return [choice](QWidget* w) {
    if (!click(w, choice)) w->close();
    click(w, "OK");
  };
}

// A fresh working directory of its own under the system's temporary folder.
inline std::filesystem::path fresh_dir(const std::string& name) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("qmxv_qt_" + name + "_" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace qmxv::test
