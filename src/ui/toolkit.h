// The user-interface toolkit: everything the program asks of a window system,
// and nothing more. Two implementations: the scripted one (no display; answers
// from a queue, pictures through the CPU rasteriser) and the Qt 6 desktop.
//
// The toolkit never calls into the simulation. The run driver and the display
// routines call it between stages and poll it for events.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qmxv::ui {

// ---------------------------------------------------------------- dialogs --

// A modal dialog whose radio group is bound to an integer. Button i (from 0)
// sets the integer to values[i]; "OK" closes the dialog.
struct RadioDialog {
  std::string title;                // "Run Type"
  std::vector<std::string> labels;  // button texts, in order
  std::vector<int> values;          // the integer each button sets
  // Framed notes below the buttons: a heading and its text each.
  std::vector<std::pair<std::string, std::string>> notes;
};

// The answer of the "Characteristic Area" dialog: the reference area and
// length of the force and moment coefficients as typed, in sq m and m, or
// in sq ft and ft when `english`.
struct CharacteristicSize {
  double area = 1.0;
  double length = 1.0;
  bool english = false;
};

// --------------------------------------------------------------- panels ----

enum class ControlKind {
  Label,     // static text (its value is the text)
  Text,      // a read-only text line the program writes (activity, message)
  Integer,   // an integer field
  Real,      // a real field written with an edit descriptor
  Check,     // a check box (value 0/1)
  Radio,     // a radio group (value = values[i] of the chosen button)
  Menu,      // a drop-down list (value = 1-based index); labels set at run time
  Spin,      // a spin field with a range set by the program
  Button,    // a push button; reading it returns 1 once per press
};

struct Control {
  std::string name;  // how the program addresses it; unique within the panel
  ControlKind kind = ControlKind::Label;
  std::string text;                 // label text, check-box text, button text
  std::string format;               // edit descriptor of a Real: "(G13.7)"
  std::vector<std::string> labels;  // radio buttons or menu entries
  std::vector<int> values;          // radio values (empty: 1, 2, ...)
  int width_chars = 0;              // field width hint in characters (0: from format)
  bool editable = false;            // Integer/Real fields the user may type into
};

// A static text; `name` may be empty for a text the program never changes.
inline Control label(std::string name, std::string text) {
  Control c;
  c.name = std::move(name);
  c.kind = ControlKind::Label;
  c.text = std::move(text);
  return c;
}

// A non-modal panel: rows of controls, each row read left to right, so a
// panel can be laid out as the sentence it reads as.
struct PanelSpec {
  std::string name;   // "log"
  std::string title;  // "Progressive Log of the Current DSMC Computation"
  std::vector<std::vector<Control>> rows;
  // Where it sits: a named region of the main window ("log", "flowfield-bar",
  // "surface-bar", "units-bar", "forces", "flowfield", "surface", "history",
  // "side") or "" for a window of its own.
  std::string region;
};

// -------------------------------------------------------------- pictures ---

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
using Palette = std::array<Rgb, 256>;

// One 2-D picture: a pixel raster with a user coordinate window mapped onto
// it (x0, y0 at the left bottom ... or as the caller sets them: y may run
// downward when y0 > y1). Drawing uses colour indices into the palette.
struct PictureSpec {
  std::string name;   // how the program addresses it
  std::string title;  // window caption, or the panel heading
  std::string region; // main-window region, or "" for a window of its own
  int width = 640;    // pixels
  int height = 480;
};

enum class TextAlign { Left, Centre, Right };

// A 3-D scene: coloured triangles and lines, in model coordinates.
struct Triangle3 {
  std::array<std::array<float, 3>, 3> p{};
  Rgb colour;
};
struct Line3 {
  std::array<float, 3> a{}, b{};
  Rgb colour;
};
struct Scene3 {
  std::vector<Triangle3> triangles;
  std::vector<Line3> lines;
  Rgb background{0, 0, 0};
  bool cull_back_faces = true;  // back faces (seen from behind) are not drawn
};

// The view of a 3-D scene (the model transformation of the surface picture):
// M = T(xt, yt, -5) R(A about x) R(B about (cos A, -sin A, 0)) S(s), seen
// through a perspective projection; see display/view3d.h for the matrices.
struct View3 {
  float xt = 0.0f, yt = 0.0f;
  float a_deg = 0.0f, b_deg = 0.0f;
  float scale = 0.2f;
};

struct MouseClick {
  int button = 1;   // 1 left, 2 right
  double x = 0.0;   // in the picture's coordinate window
  double y = 0.0;
};

// ---------------------------------------------------------------- events ---

enum class Event { None, Close, Redraw };

// ------------------------------------------------------------- interface ---

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Horizontal resolution of the screen [pixels].
  virtual int screen_width() = 0;
  virtual void open_main_window(int x, int y, int width, int height, const std::string& title) = 0;
  // Clears the main window's drawing area (panels and pictures stay defined).
  virtual void reset_main_window() = 0;

  // Modal dialogs. choose() returns the value of the chosen button; `preset`
  // is the value selected when the dialog opens.
  virtual int choose(const RadioDialog& dialog, int preset) = 0;
  // A scrollable page of explanatory text (paragraphs separated by blank
  // lines; lines starting "# " are headings) with an "OK" button.
  virtual void show_page(const std::string& title, const std::string& text) = 0;
  virtual void message_box(const std::string& title, const std::string& text) = 0;
  // The modal "Characteristic Area" dialog: fields for the area and the
  // length, filled from `preset`, and the choice "SI Units" / "Eng. Units
  // (US)". Nothing when the toolkit cannot ask (no display and no scripted
  // answer) or the user closed the dialog without "OK"; never blocks a run
  // without a display.
  virtual std::optional<CharacteristicSize> ask_characteristic_size(
      const CharacteristicSize& preset) = 0;

  // Non-modal panels, addressed by panel and control name.
  virtual void create_panel(const PanelSpec& desc) = 0;
  virtual void show_panel(const std::string& panel, bool visible) = 0;
  virtual void show_control(const std::string& panel, const std::string& control, bool visible) = 0;
  virtual void put_text(const std::string& panel, const std::string& control,
                        const std::string& text) = 0;
  virtual void put_int(const std::string& panel, const std::string& control, long long value) = 0;
  // Writes a real with the control's edit descriptor (or `format` when given).
  virtual void put_real(const std::string& panel, const std::string& control, double value,
                        const std::string& format = {}) = 0;
  virtual void set_range(const std::string& panel, const std::string& control, int lo, int hi) = 0;
  virtual void set_labels(const std::string& panel, const std::string& control,
                          const std::vector<std::string>& labels) = 0;
  // Reading: the value the user left in the control at the last poll.
  virtual long long get_int(const std::string& panel, const std::string& control) = 0;
  virtual double get_real(const std::string& panel, const std::string& control) = 0;
  virtual std::string get_text(const std::string& panel, const std::string& control) = 0;

  // A progress window (one at a time).
  virtual void progress_open(const std::string& title) = 0;
  virtual void progress_text(const std::string& text) = 0;
  virtual void progress_range(int lo, int hi) = 0;
  virtual void progress_value(int value) = 0;
  virtual void progress_close() = 0;

  // Takes one pending event without waiting. User edits of controls land in
  // the panel model during the poll.
  virtual Event poll() = 0;

  // 2-D pictures.
  virtual void picture_open(const PictureSpec& desc) = 0;
  virtual void picture_close(const std::string& picture) = 0;
  virtual void picture_window(const std::string& picture, double x0, double y0, double x1,
                              double y1) = 0;
  virtual void picture_palette(const std::string& picture, const Palette& palette) = 0;
  virtual void picture_clear(const std::string& picture, int colour) = 0;
  virtual void fill_rect(const std::string& picture, int colour, double x0, double y0, double x1,
                         double y1) = 0;
  virtual void line(const std::string& picture, int colour, double x0, double y0, double x1,
                    double y1) = 0;
  virtual void polyline(const std::string& picture, int colour, const std::vector<double>& xy) = 0;
  virtual void text(const std::string& picture, int colour, double x, double y,
                    const std::string& text, TextAlign align = TextAlign::Left) = 0;
  // Shows what was drawn since the last present (no flicker: draw, then present).
  virtual void picture_present(const std::string& picture) = 0;
  // Writes the picture as a 24-bit Windows bitmap; returns false on failure.
  virtual bool save_bmp(const std::string& picture, const std::string& path) = 0;
  // The next mouse click in a picture since the last call, if any.
  virtual std::optional<MouseClick> take_click(const std::string& picture) = 0;
  // True once the user has closed a picture window of its own.
  virtual bool picture_closed(const std::string& picture) = 0;

  // 3-D views. view3_modal shows the scene in a window of its own with
  // `caption` and the text lines, lets the user move (arrow keys), size
  // (right drag, 1.02 per step) and rotate (left drag) it, and returns when
  // the window is closed.
  virtual void view3_modal(const std::string& caption, const std::vector<std::string>& lines,
                           const Scene3& scene, const View3& start) = 0;
  // A 3-D view in a main-window region, redrawn with a new scene and view.
  virtual void view3_show(const std::string& name, const std::string& region,
                          const Scene3& scene, const View3& view) = 0;
};

}  // namespace qmxv::ui
