#include "ui/scripted/scripted_toolkit.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

#include "run/errors.h"
#include "run/text_format.h"

namespace qmxv::ui {

namespace {

volatile std::sig_atomic_t g_interrupts = 0;

void on_interrupt(int) {
  g_interrupts = g_interrupts + 1;
  if (g_interrupts > 1) _exit(kExitInterrupted);
}

}  // namespace

void install_interrupt_handler() {
  struct sigaction sa {};
  sa.sa_handler = on_interrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

bool interrupted() { return g_interrupts > 0; }

ScriptedToolkit::ScriptedToolkit(std::deque<int> answers, int screen_width)
    : screen_width_(screen_width), answers_(std::move(answers)) {
  preset_titles_.insert("Non-standard Program Options");
}

ScriptedToolkit::~ScriptedToolkit() = default;

std::vector<std::string> ScriptedToolkit::titles(const std::string& kind) const {
  std::vector<std::string> r;
  for (const auto& s : shown_)
    if (s.kind == kind) r.push_back(s.title);
  return r;
}

void ScriptedToolkit::open_main_window(int, int, int, int, const std::string& title) {
  main_title_ = title;
}

int ScriptedToolkit::choose(const RadioDialog& dialog, int preset) {
  shown_.push_back({"dialog", dialog.title, {}});
  int value = 0;
  auto t = titled_.find(dialog.title);
  if (t != titled_.end() && !t->second.empty()) {
    value = t->second.front();
    t->second.pop_front();
  } else if (preset_titles_.count(dialog.title)) {
    value = preset;
  } else if (!answers_.empty()) {
    value = answers_.front();
    answers_.pop_front();
  } else {
    throw UsageError("no answer given for the dialog \"" + dialog.title +
                     "\" (without a display, every choice must come from the command line)");
  }
  std::vector<int> values = dialog.values;
  if (values.empty())
    for (std::size_t i = 0; i < dialog.labels.size(); ++i) values.push_back(static_cast<int>(i) + 1);
  if (std::find(values.begin(), values.end(), value) == values.end()) {
    std::string allowed;
    for (int v : values) allowed += (allowed.empty() ? "" : ", ") + std::to_string(v);
    throw UsageError("\"" + dialog.title + "\" has no choice " + std::to_string(value) +
                     " (choices: " + allowed + ")");
  }
  return value;
}

void ScriptedToolkit::show_page(const std::string& title, const std::string& text) {
  shown_.push_back({"page", title, text});
}

void ScriptedToolkit::message_box(const std::string& title, const std::string& text) {
  shown_.push_back({"message", title, text});
}

std::optional<CharacteristicSize> ScriptedToolkit::ask_characteristic_size(
    const CharacteristicSize&) {
  shown_.push_back({"dialog", "Characteristic Area", {}});
  if (sizes_.empty()) return std::nullopt;
  const CharacteristicSize answer = sizes_.front();
  sizes_.pop_front();
  return answer;
}

void ScriptedToolkit::create_panel(const PanelSpec& desc) {
  Panel p;
  p.desc = desc;
  for (const auto& row : desc.rows)
    for (const auto& c : row) {
      if (c.name.empty()) continue;
      Value v;
      v.desc = c;
      v.text = c.kind == ControlKind::Label ? c.text : std::string();
      v.hi = std::max<int>(0, static_cast<int>(c.labels.size()));
      p.controls[c.name] = v;
    }
  panels_[desc.name] = std::move(p);
}

ScriptedToolkit::Value& ScriptedToolkit::control(const std::string& panel,
                                                 const std::string& name) {
  auto p = panels_.find(panel);
  if (p == panels_.end()) throw std::logic_error("no panel \"" + panel + "\"");
  auto c = p->second.controls.find(name);
  if (c == p->second.controls.end())
    throw std::logic_error("panel \"" + panel + "\" has no control \"" + name + "\"");
  return c->second;
}

const ScriptedToolkit::Value* ScriptedToolkit::find(const std::string& panel,
                                                    const std::string& name) const {
  auto p = panels_.find(panel);
  if (p == panels_.end()) return nullptr;
  auto c = p->second.controls.find(name);
  return c == p->second.controls.end() ? nullptr : &c->second;
}

void ScriptedToolkit::show_panel(const std::string& panel, bool visible) {
  auto p = panels_.find(panel);
  if (p != panels_.end()) p->second.visible = visible;
}

void ScriptedToolkit::show_control(const std::string& panel, const std::string& name,
                                   bool visible) {
  control(panel, name).visible = visible;
}

bool ScriptedToolkit::control_visible(const std::string& panel, const std::string& name) const {
  const Value* v = find(panel, name);
  auto p = panels_.find(panel);
  return v && v->visible && p->second.visible;
}

std::string ScriptedToolkit::shown_text(const std::string& panel, const std::string& name) const {
  const Value* v = find(panel, name);
  return v ? v->text : std::string();
}

void ScriptedToolkit::put_text(const std::string& panel, const std::string& name,
                               const std::string& text) {
  Value& v = control(panel, name);
  v.text = text;
  if (v.desc.kind == ControlKind::Text) {
    // A bounded history: long batch runs put millions of activity texts.
    if (v.history.size() >= 20000) v.history.erase(v.history.begin(), v.history.begin() + 10000);
    v.history.push_back(text);
  }
}

std::vector<std::string> ScriptedToolkit::text_history(const std::string& panel,
                                                       const std::string& name) const {
  const Value* v = find(panel, name);
  return v ? v->history : std::vector<std::string>{};
}

void ScriptedToolkit::put_int(const std::string& panel, const std::string& name, long long value) {
  Value& v = control(panel, name);
  if (v.desc.kind == ControlKind::Spin && v.hi >= v.lo && (v.lo != 0 || v.hi != 0))
    value = std::clamp<long long>(value, v.lo, v.hi);
  v.i = value;
  v.r = static_cast<double>(value);
  v.text = std::to_string(value);
}

void ScriptedToolkit::put_real(const std::string& panel, const std::string& name, double value,
                               const std::string& format) {
  Value& v = control(panel, name);
  v.r = value;
  v.i = static_cast<long long>(value);
  const std::string& f = format.empty() ? v.desc.format : format;
  v.text = f.empty() ? free_item(value) : fortran_format(value, f);
}

void ScriptedToolkit::set_range(const std::string& panel, const std::string& name, int lo,
                                int hi) {
  Value& v = control(panel, name);
  v.lo = lo;
  v.hi = hi;
  if (hi >= lo) v.i = std::clamp<long long>(v.i, lo, hi);
}

void ScriptedToolkit::set_labels(const std::string& panel, const std::string& name,
                                 const std::vector<std::string>& labels) {
  Value& v = control(panel, name);
  v.desc.labels = labels;
  v.lo = 1;
  v.hi = static_cast<int>(labels.size());
}

long long ScriptedToolkit::get_int(const std::string& panel, const std::string& name) {
  Value& v = control(panel, name);
  if (v.desc.kind == ControlKind::Button) {
    const long long pressed = v.i;
    v.i = 0;
    return pressed;
  }
  return v.i;
}

double ScriptedToolkit::get_real(const std::string& panel, const std::string& name) {
  return control(panel, name).r;
}

std::string ScriptedToolkit::get_text(const std::string& panel, const std::string& name) {
  return control(panel, name).text;
}

void ScriptedToolkit::progress_open(const std::string& title) {
  progress_ = ProgressRecord{};
  progress_.open = true;
  progress_.title = title;
}

void ScriptedToolkit::progress_text(const std::string& text) {
  progress_.text = text;
  progress_.texts.push_back(text);
}

void ScriptedToolkit::progress_range(int lo, int hi) {
  progress_.lo = lo;
  progress_.hi = hi;
}

void ScriptedToolkit::progress_value(int value) {
  progress_.value = std::clamp(value, progress_.lo, std::max(progress_.lo, progress_.hi));
}

void ScriptedToolkit::progress_close() { progress_.open = false; }

Event ScriptedToolkit::poll() {
  ++polls_;
  if (close_requested_ || interrupted()) return Event::Close;
  return Event::None;
}

display::Canvas2D& ScriptedToolkit::canvas(const std::string& picture) {
  auto p = pictures_.find(picture);
  if (p == pictures_.end()) throw std::logic_error("no picture \"" + picture + "\"");
  return *p->second;
}

const display::Canvas2D* ScriptedToolkit::picture(const std::string& name) const {
  auto p = pictures_.find(name);
  return p == pictures_.end() ? nullptr : p->second.get();
}

void ScriptedToolkit::picture_open(const PictureSpec& desc) {
  pictures_[desc.name] = std::make_unique<display::Canvas2D>(desc.width, desc.height);
}

void ScriptedToolkit::picture_close(const std::string& picture) { pictures_.erase(picture); }

void ScriptedToolkit::picture_window(const std::string& picture, double x0, double y0, double x1,
                                     double y1) {
  canvas(picture).set_window(x0, y0, x1, y1);
}

void ScriptedToolkit::picture_palette(const std::string& picture, const Palette& palette) {
  canvas(picture).set_palette(palette);
}

void ScriptedToolkit::picture_clear(const std::string& picture, int colour) {
  canvas(picture).clear(colour);
}

void ScriptedToolkit::fill_rect(const std::string& picture, int colour, double x0, double y0,
                                double x1, double y1) {
  canvas(picture).fill_rect(colour, x0, y0, x1, y1);
}

void ScriptedToolkit::line(const std::string& picture, int colour, double x0, double y0,
                           double x1, double y1) {
  canvas(picture).line(colour, x0, y0, x1, y1);
}

void ScriptedToolkit::polyline(const std::string& picture, int colour,
                               const std::vector<double>& xy) {
  canvas(picture).polyline(colour, xy);
}

void ScriptedToolkit::text(const std::string& picture, int colour, double x, double y,
                           const std::string& text, TextAlign align) {
  canvas(picture).text(colour, x, y, text, align);
}

bool ScriptedToolkit::save_bmp(const std::string& picture, const std::string& path) {
  return canvas(picture).save_bmp(path);
}

std::optional<MouseClick> ScriptedToolkit::take_click(const std::string& picture) {
  auto c = clicks_.find(picture);
  if (c == clicks_.end() || c->second.empty()) return std::nullopt;
  MouseClick m = c->second.front();
  c->second.pop_front();
  return m;
}

bool ScriptedToolkit::picture_closed(const std::string&) {
  // Without a display nobody studies a picture: it is closed as soon as drawn.
  return true;
}

void ScriptedToolkit::view3_modal(const std::string& caption, const std::vector<std::string>& lines,
                                  const Scene3& scene, const View3&) {
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  shown_.push_back({"preview", caption, text});
  last_scene_ = std::make_unique<Scene3>(scene);
}

void ScriptedToolkit::view3_show(const std::string&, const std::string&, const Scene3& scene,
                                 const View3&) {
  last_scene_ = std::make_unique<Scene3>(scene);
}

}  // namespace qmxv::ui
