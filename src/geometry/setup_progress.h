// The progress window of the grid set-up: a bar over a budget of steps, a
// fraction of a step per triangle or division and phase, and a poll of the
// window events between pieces of work so the desktop stays alive.
#pragma once

#include <string>

#include "run/errors.h"
#include "ui/toolkit.h"

namespace qmxv {

class SetupProgress {
 public:
  // Budget: int(ntri*1.1 + 100 + ndivt*1.133) steps, divided by 1.2 (with the
  // step size) until it fits the 16-bit range of a classic progress bar.
  SetupProgress(ui::Toolkit* ui, const std::string& title, int ntri, int ndivt) : ui_(ui) {
    double n = static_cast<double>(ntri) * 1.1 + 100.0 + static_cast<double>(ndivt) * 1.133;
    long long top = static_cast<long long>(n);
    while (top > 65530) {
      top = static_cast<long long>(static_cast<double>(top) / 1.2);
      step_ /= 1.2;
    }
    top_ = static_cast<int>(top);
    if (ui_) {
      ui_->progress_open(title);
      ui_->progress_range(1, top_);
      ui_->progress_value(1);
    }
  }
  SetupProgress(const SetupProgress&) = delete;
  SetupProgress& operator=(const SetupProgress&) = delete;
  ~SetupProgress() { close(); }

  // Takes the window down (before a picture opens); polls still work.
  void close() {
    if (ui_ && open_) ui_->progress_close();
    open_ = false;
  }

  void phase(const char* text) {
    if (ui_) ui_->progress_text(text);
    poll();
  }
  // Advances the bar by `fraction` of one step; the value stays in its range.
  void advance(double fraction) {
    value_ += fraction * step_;
    double v = value_ < top_ ? value_ : top_;
    const int shown = static_cast<int>(v);
    if (shown != shown_ && ui_) {
      shown_ = shown;
      ui_->progress_value(shown);
    }
    if (++since_poll_ >= kPollEvery) poll();
  }
  // A close request ends the program at once.
  void poll() {
    since_poll_ = 0;
    if (ui_ && ui_->poll() == ui::Event::Close) throw StopRequest{};
  }
  int top() const { return top_; }
  double step() const { return step_; }

 private:
  static constexpr int kPollEvery = 2000;
  ui::Toolkit* ui_;
  bool open_ = true;
  double step_ = 1.0;
  double value_ = 1.0;
  int top_ = 1;
  int shown_ = 1;
  int since_poll_ = 0;
};

}  // namespace qmxv
