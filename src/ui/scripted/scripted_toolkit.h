// The scripted toolkit: the program without a display.
//
// Dialog answers come from a queue (the command line's --run-type, or a test);
// an exhausted queue is a usage error, never an endless loop. Panels keep
// their values in memory so a test can read what the log panel says, pictures
// are drawn by the CPU rasteriser, and poll() never blocks: it reports a close
// request after Ctrl-C or when the program asks for one.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "display/canvas.h"
#include "ui/toolkit.h"

namespace qmxv::ui {

class ScriptedToolkit : public Toolkit {
 public:
  explicit ScriptedToolkit(std::deque<int> answers = {}, int screen_width = 1280);
  ~ScriptedToolkit() override;

  // ---- script ----
  void push_answer(int value) { answers_.push_back(value); }
  // Answers for one dialog title only, taken before the general queue.
  void push_answer(const std::string& title, int value) { titled_[title].push_back(value); }
  // Dialogs that take their preset when no titled answer is queued
  // ("Non-standard Program Options" by default).
  void answer_with_preset(const std::string& title) { preset_titles_.insert(title); }
  void push_click(const std::string& picture, MouseClick click) { clicks_[picture].push_back(click); }
  // Answers of the "Characteristic Area" dialog, in order; with none left
  // the dialog answers nothing (a batch run is never stopped by it).
  void push_characteristic_size(CharacteristicSize answer) { sizes_.push_back(answer); }
  // The next poll() reports a close request.
  void request_close() { close_requested_ = true; }

  // ---- what happened ----
  struct Shown {
    std::string kind;  // "dialog", "page", "message", "preview"
    std::string title;
    std::string text;
  };
  const std::vector<Shown>& shown() const { return shown_; }
  std::vector<std::string> titles(const std::string& kind) const;
  const std::string& main_title() const { return main_title_; }
  int polls() const { return polls_; }
  bool panel_exists(const std::string& panel) const { return panels_.count(panel) != 0; }
  bool control_visible(const std::string& panel, const std::string& control) const;
  // The text a control shows (a real field as formatted with its descriptor).
  std::string shown_text(const std::string& panel, const std::string& control) const;
  // Every text put into a Text control, in order (activity and message lines).
  std::vector<std::string> text_history(const std::string& panel, const std::string& control) const;
  struct ProgressRecord {
    bool open = false;
    std::string title, text;
    int lo = 0, hi = 100, value = 0;
    std::vector<std::string> texts;  // every text line shown, in order
  };
  const ProgressRecord& progress() const { return progress_; }
  const display::Canvas2D* picture(const std::string& name) const;
  const Scene3* last_scene() const { return last_scene_.get(); }

  // ---- Toolkit ----
  int screen_width() override { return screen_width_; }
  void open_main_window(int x, int y, int width, int height, const std::string& title) override;
  void reset_main_window() override {}
  int choose(const RadioDialog& dialog, int preset) override;
  void show_page(const std::string& title, const std::string& text) override;
  void message_box(const std::string& title, const std::string& text) override;
  std::optional<CharacteristicSize> ask_characteristic_size(
      const CharacteristicSize& preset) override;
  void create_panel(const PanelSpec& desc) override;
  void show_panel(const std::string& panel, bool visible) override;
  void show_control(const std::string& panel, const std::string& control, bool visible) override;
  void put_text(const std::string& panel, const std::string& control,
                const std::string& text) override;
  void put_int(const std::string& panel, const std::string& control, long long value) override;
  void put_real(const std::string& panel, const std::string& control, double value,
                const std::string& format = {}) override;
  void set_range(const std::string& panel, const std::string& control, int lo, int hi) override;
  void set_labels(const std::string& panel, const std::string& control,
                  const std::vector<std::string>& labels) override;
  long long get_int(const std::string& panel, const std::string& control) override;
  double get_real(const std::string& panel, const std::string& control) override;
  std::string get_text(const std::string& panel, const std::string& control) override;
  void progress_open(const std::string& title) override;
  void progress_text(const std::string& text) override;
  void progress_range(int lo, int hi) override;
  void progress_value(int value) override;
  void progress_close() override;
  Event poll() override;
  void picture_open(const PictureSpec& desc) override;
  void picture_close(const std::string& picture) override;
  void picture_window(const std::string& picture, double x0, double y0, double x1,
                      double y1) override;
  void picture_palette(const std::string& picture, const Palette& palette) override;
  void picture_clear(const std::string& picture, int colour) override;
  void fill_rect(const std::string& picture, int colour, double x0, double y0, double x1,
                 double y1) override;
  void line(const std::string& picture, int colour, double x0, double y0, double x1,
            double y1) override;
  void polyline(const std::string& picture, int colour, const std::vector<double>& xy) override;
  void text(const std::string& picture, int colour, double x, double y, const std::string& text,
            TextAlign align = TextAlign::Left) override;
  void picture_present(const std::string&) override {}
  bool save_bmp(const std::string& picture, const std::string& path) override;
  std::optional<MouseClick> take_click(const std::string& picture) override;
  bool picture_closed(const std::string& picture) override;
  void view3_modal(const std::string& caption, const std::vector<std::string>& lines,
                   const Scene3& scene, const View3& start) override;
  void view3_show(const std::string& name, const std::string& region, const Scene3& scene,
                  const View3& view) override;

 private:
  struct Value {
    Control desc;
    std::string text;
    long long i = 0;
    double r = 0.0;
    int lo = 0, hi = 0;
    bool visible = true;
    std::vector<std::string> history;
  };
  struct Panel {
    PanelSpec desc;
    bool visible = true;
    std::map<std::string, Value> controls;
  };
  Value& control(const std::string& panel, const std::string& control);
  const Value* find(const std::string& panel, const std::string& control) const;
  display::Canvas2D& canvas(const std::string& picture);

  int screen_width_;
  std::deque<int> answers_;
  std::map<std::string, std::deque<int>> titled_;
  std::set<std::string> preset_titles_;
  std::map<std::string, std::deque<MouseClick>> clicks_;
  std::deque<CharacteristicSize> sizes_;
  bool close_requested_ = false;
  std::vector<Shown> shown_;
  std::string main_title_;
  int polls_ = 0;
  std::map<std::string, Panel> panels_;
  ProgressRecord progress_;
  std::map<std::string, std::unique_ptr<display::Canvas2D>> pictures_;
  std::unique_ptr<Scene3> last_scene_;
};

// Ctrl-C handling for runs without a display: the first SIGINT makes every
// scripted toolkit's poll() report a close request; a second one ends the
// process at once.
void install_interrupt_handler();
bool interrupted();

}  // namespace qmxv::ui
