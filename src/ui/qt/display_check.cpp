// Whether a window system can be reached, decided before QApplication exists.
//
// QApplication aborts the process when its platform plugin cannot connect, so
// the program asks first: an X display is opened and closed again through
// libxcb (the library Qt's own xcb plugin connects with, loaded at run time so
// the program does not link it), a Wayland socket is connected to, and a
// platform the user names in QT_QPA_PLATFORM is taken at its word.
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/qt/qt_toolkit.h"

namespace qmxv::ui {

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

void set_why(std::string* why, const std::string& text) {
  if (why) *why = text;
}

// Opens and closes the X display `name`; on failure says why in `reason`.
bool x_display_opens(const std::string& name, std::string& reason) {
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!xcb) {
    reason = "the X client library libxcb.so.1 is not installed";
    return false;
  }
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  auto has_error = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  bool ok = false;
  if (!connect || !has_error || !disconnect) {
    reason = "libxcb.so.1 lacks xcb_connect";
  } else {
    // xcb_connect always returns a connection object; an error is flagged in it.
    void* c = connect(name.c_str(), nullptr);
    ok = c && has_error(c) == 0;
    if (c) disconnect(c);
    if (!ok) reason = "the X display \"" + name + "\" cannot be opened";
  }
  dlclose(xcb);
  return ok;
}

bool wayland_socket_connects(const std::string& display, std::string& reason) {
  std::string path = display;
  if (path.empty() || path[0] != '/') {
    const std::string runtime = env("XDG_RUNTIME_DIR");
    if (runtime.empty()) {
      reason = "WAYLAND_DISPLAY is set but XDG_RUNTIME_DIR is not";
      return false;
    }
    path = runtime + "/" + path;
  }
  sockaddr_un addr{};
  if (path.size() >= sizeof(addr.sun_path)) {
    reason = "the Wayland socket path is too long";
    return false;
  }
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    reason = "no socket for the Wayland display";
    return false;
  }
  const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
  close(fd);
  if (!ok) reason = "the Wayland display \"" + display + "\" cannot be reached";
  return ok;
}

bool wayland_plugin_installed() {
  const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
  return !platforms.entryList({"libqwayland*.so"}, QDir::Files).isEmpty();
}

}  // namespace

bool qt_display_available(std::string* why) {
  std::string platform = env("QT_QPA_PLATFORM");
  platform = platform.substr(0, platform.find_first_of(":;"));
  const std::string x_display = env("DISPLAY");
  const std::string wayland_display = env("WAYLAND_DISPLAY");
  std::string reason;

  if (!platform.empty() && platform != "xcb" && platform.rfind("wayland", 0) != 0) {
    // offscreen, minimal, vnc, eglfs, ...: chosen on purpose, needs no display.
    set_why(why, {});
    return true;
  }
  if (platform != "xcb" && platform.rfind("wayland", 0) != 0 && x_display.empty() &&
      wayland_display.empty()) {
    set_why(why, "neither DISPLAY nor WAYLAND_DISPLAY is set");
    return false;
  }
  if (platform != "xcb" && !wayland_display.empty() && wayland_plugin_installed() &&
      wayland_socket_connects(wayland_display, reason)) {
    set_why(why, {});
    return true;
  }
  if (platform.rfind("wayland", 0) == 0) {
    set_why(why, wayland_display.empty() ? "WAYLAND_DISPLAY is not set"
                 : !wayland_plugin_installed()
                     ? "the Wayland platform plugin of Qt is not installed"
                     : reason);
    return false;
  }
  if (x_display.empty()) {
    if (reason.empty() && !wayland_plugin_installed())
      reason = "WAYLAND_DISPLAY is set but the Wayland platform plugin of Qt is not installed";
    set_why(why, reason + (reason.empty() ? "" : ", and ") + "DISPLAY is not set");
    return false;
  }
  if (x_display_opens(x_display, reason)) {
    set_why(why, {});
    return true;
  }
  set_why(why, reason);
  return false;
}

}  // namespace qmxv::ui
