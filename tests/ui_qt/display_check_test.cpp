// Whether the desktop can start, decided before Qt is asked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "ui/qt/qt_toolkit.h"

namespace qmxv {
namespace {

// Sets or unsets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

struct DisplayCase {
  const char* platform;
  const char* display;
  const char* wayland;
  bool available;
  const char* why_contains;
};

class DisplayCheck : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayCheck, SaysWhyTheDesktopCannotStart) {
  const DisplayCase& c = GetParam();
  ScopedEnv platform("QT_QPA_PLATFORM", c.platform);
  ScopedEnv display("DISPLAY", c.display);
  ScopedEnv wayland("WAYLAND_DISPLAY", c.wayland);
  ScopedEnv runtime("XDG_RUNTIME_DIR", "/nonexistent-qmxv-runtime");
  std::string why = "unset";
  EXPECT_EQ(ui::qt_display_available(&why), c.available);
  EXPECT_NE(why.find(c.why_contains), std::string::npos) << why;
  EXPECT_EQ(why.find('\n'), std::string::npos) << "one line";
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DisplayCheck,
    ::testing::Values(
        DisplayCase{nullptr, nullptr, nullptr, false, "neither DISPLAY nor WAYLAND_DISPLAY"},
        // Display 987 is not served on this machine: the connection fails.
        DisplayCase{nullptr, ":987", nullptr, false, "cannot be opened"},
        DisplayCase{"xcb", ":987", nullptr, false, "\":987\" cannot be opened"},
        DisplayCase{nullptr, nullptr, "wayland-qmxv-none", false, "DISPLAY is not set"},
        DisplayCase{"wayland", ":987", "wayland-qmxv-none", false, "Wayland"},
        // A platform chosen on purpose needs no display.
        DisplayCase{"offscreen", nullptr, nullptr, true, ""},
        DisplayCase{"minimal:enable_fonts", nullptr, nullptr, true, ""}));

}  // namespace
}  // namespace qmxv
