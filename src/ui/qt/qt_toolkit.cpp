// The desktop toolkit: the main window with its regions, modal dialogs,
// panels of controls, the progress window, 2-D pictures and 3-D views, all
// serviced by poll() between the stages of the run.
#include "ui/qt/qt_toolkit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QScreen>
#include <algorithm>
#include <clocale>
#include <map>
#include <stdexcept>

#include "run/errors.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/panel.h"
#include "ui/qt/picture.h"
#include "ui/qt/scene_view.h"

namespace qmxv::ui {

namespace {

using qt::MainWindow;
using qt::Panel;
using qt::Picture;
using qt::SceneDisplay;

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

class QtToolkit : public Toolkit {
 public:
  QtToolkit() = default;
  ~QtToolkit() override;

  int screen_width() override;
  void open_main_window(int x, int y, int width, int height, const std::string& title) override;
  void reset_main_window() override;

  int choose(const RadioDialog& dialog, int preset) override;
  void show_page(const std::string& title, const std::string& text) override;
  void message_box(const std::string& title, const std::string& text) override;
  std::optional<CharacteristicSize> ask_characteristic_size(
      const CharacteristicSize& preset) override {
    return qt::run_characteristic_size_dialog(dialog_parent(), preset);
  }

  void create_panel(const PanelSpec& desc) override;
  void show_panel(const std::string& panel, bool visible) override;
  void show_control(const std::string& panel, const std::string& control, bool visible) override {
    find_panel(panel).show_control(control, visible);
  }
  void put_text(const std::string& panel, const std::string& control,
                const std::string& text) override {
    find_panel(panel).put_text(control, text);
  }
  void put_int(const std::string& panel, const std::string& control, long long value) override {
    find_panel(panel).put_int(control, value);
  }
  void put_real(const std::string& panel, const std::string& control, double value,
                const std::string& format) override {
    find_panel(panel).put_real(control, value, format);
  }
  void set_range(const std::string& panel, const std::string& control, int lo, int hi) override {
    find_panel(panel).set_range(control, lo, hi);
  }
  void set_labels(const std::string& panel, const std::string& control,
                  const std::vector<std::string>& labels) override {
    find_panel(panel).set_labels(control, labels);
  }
  long long get_int(const std::string& panel, const std::string& control) override {
    return find_panel(panel).get_int(control);
  }
  double get_real(const std::string& panel, const std::string& control) override {
    return find_panel(panel).get_real(control);
  }
  std::string get_text(const std::string& panel, const std::string& control) override {
    return find_panel(panel).get_text(control);
  }

  void progress_open(const std::string& title) override;
  void progress_text(const std::string& text) override;
  void progress_range(int lo, int hi) override;
  void progress_value(int value) override;
  void progress_close() override;

  Event poll() override;

  void picture_open(const PictureSpec& desc) override;
  void picture_close(const std::string& picture) override;
  void picture_window(const std::string& picture, double x0, double y0, double x1,
                      double y1) override {
    find_picture(picture).set_window(x0, y0, x1, y1);
  }
  void picture_palette(const std::string& picture, const Palette& palette) override {
    find_picture(picture).set_palette(palette);
  }
  void picture_clear(const std::string& picture, int colour) override {
    find_picture(picture).clear(colour);
  }
  void fill_rect(const std::string& picture, int colour, double x0, double y0, double x1,
                 double y1) override {
    find_picture(picture).fill_rect(colour, x0, y0, x1, y1);
  }
  void line(const std::string& picture, int colour, double x0, double y0, double x1,
            double y1) override {
    find_picture(picture).line(colour, x0, y0, x1, y1);
  }
  void polyline(const std::string& picture, int colour, const std::vector<double>& xy) override {
    find_picture(picture).polyline(colour, xy);
  }
  void text(const std::string& picture, int colour, double x, double y, const std::string& text,
            TextAlign align) override {
    find_picture(picture).text(colour, x, y, text, align);
  }
  void picture_present(const std::string& picture) override { find_picture(picture).present(); }
  bool save_bmp(const std::string& picture, const std::string& path) override {
    return find_picture(picture).save_bmp(path);
  }
  std::optional<MouseClick> take_click(const std::string& picture) override {
    return find_picture(picture).take_click();
  }
  bool picture_closed(const std::string& picture) override;

  void view3_modal(const std::string& caption, const std::vector<std::string>& lines,
                   const Scene3& scene, const View3& start) override;
  void view3_show(const std::string& name, const std::string& region, const Scene3& scene,
                  const View3& view) override;

 private:
  MainWindow& main_window();
  // The parent of dialogs: the main window once it is on the screen.
  QWidget* dialog_parent() const;
  Panel& find_panel(const std::string& name);
  Picture& find_picture(const std::string& name);
  // Puts a widget in a main-window region, or makes it a window of its own.
  void place(QWidget* widget, const std::string& region, const std::string& title);

  std::unique_ptr<MainWindow> main_;
  std::map<std::string, QPointer<Panel>> panels_;
  std::map<std::string, QPointer<Picture>> pictures_;
  std::map<std::string, SceneDisplay*> views_;
  QPointer<QProgressDialog> progress_;
  bool close_requested_ = false;
};

QtToolkit::~QtToolkit() {
  // Windows of their own have no parent to delete them.
  for (auto& [name, p] : panels_)
    if (p && !p->parentWidget()) delete p.data();
  for (auto& [name, p] : pictures_)
    if (p && !p->parentWidget()) delete p.data();
  for (auto& [name, v] : views_)
    if (!v->widget()->parentWidget()) delete v->widget();
  delete progress_.data();
}

MainWindow& QtToolkit::main_window() {
  if (!main_) {
    main_ = std::make_unique<MainWindow>();
    main_->on_close = [this] { close_requested_ = true; };
  }
  return *main_;
}

QWidget* QtToolkit::dialog_parent() const {
  return main_ && main_->isVisible() ? main_.get() : nullptr;
}

int QtToolkit::screen_width() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() : 0;
}

void QtToolkit::open_main_window(int x, int y, int width, int height, const std::string& title) {
  MainWindow& w = main_window();
  w.setWindowTitle(q(title));
  w.resize(width, height);
  w.move(x, y);
  w.show();
  QCoreApplication::processEvents();
}

void QtToolkit::reset_main_window() {
  for (auto& [name, p] : pictures_)
    if (p && p->parentWidget()) {
      p->clear(0);
      p->present();
    }
}

int QtToolkit::choose(const RadioDialog& dialog, int preset) {
  const std::optional<int> value = qt::run_choice_dialog(dialog_parent(), dialog, preset);
  // A dialog closed without "OK" ends the program, as closing the main window does.
  if (!value) throw StopRequest{kExitNormal};
  return *value;
}

void QtToolkit::show_page(const std::string& title, const std::string& text) {
  qt::run_page_dialog(dialog_parent(), title, text);
}

void QtToolkit::message_box(const std::string& title, const std::string& text) {
  QMessageBox box(QMessageBox::Information, q(title), q(text), QMessageBox::Ok, dialog_parent());
  box.exec();
}

void QtToolkit::place(QWidget* widget, const std::string& region, const std::string& title) {
  if (region.empty()) {
    // A window of its own, kept above the main window.
    widget->setParent(main_ ? main_.get() : nullptr, Qt::Window);
    widget->setWindowTitle(q(title));
    widget->show();
  } else {
    main_window().place(region, widget);
  }
}

void QtToolkit::create_panel(const PanelSpec& desc) {
  if (auto old = panels_.find(desc.name); old != panels_.end() && old->second)
    delete old->second.data();
  auto* panel = new Panel(desc, nullptr);
  if (desc.region.empty()) panel->setTitle({});
  panels_[desc.name] = panel;
  place(panel, desc.region, desc.title);
}

Panel& QtToolkit::find_panel(const std::string& name) {
  auto it = panels_.find(name);
  if (it == panels_.end() || !it->second) throw std::logic_error("no panel \"" + name + "\"");
  return *it->second;
}

void QtToolkit::show_panel(const std::string& name, bool visible) {
  auto it = panels_.find(name);
  if (it == panels_.end() || !it->second) return;
  Panel& p = *it->second;
  if (p.desc().region.empty())
    p.setVisible(visible);
  else
    main_window().set_visible(&p, visible);
}

void QtToolkit::progress_open(const std::string& title) {
  delete progress_.data();
  progress_ = new QProgressDialog(dialog_parent());
  progress_->setWindowTitle(q(title));
  progress_->setCancelButton(nullptr);
  progress_->setAutoClose(false);
  progress_->setAutoReset(false);
  progress_->setMinimumDuration(0);
  progress_->setWindowModality(Qt::NonModal);
  progress_->setMinimumWidth(380);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->show();
  QCoreApplication::processEvents();
}

void QtToolkit::progress_text(const std::string& text) {
  if (progress_) progress_->setLabelText(q(text));
}

void QtToolkit::progress_range(int lo, int hi) {
  if (progress_) progress_->setRange(lo, std::max(lo, hi));
}

void QtToolkit::progress_value(int value) {
  if (progress_) progress_->setValue(std::clamp(value, progress_->minimum(), progress_->maximum()));
}

void QtToolkit::progress_close() {
  delete progress_.data();
  progress_ = nullptr;
}

Event QtToolkit::poll() {
  QCoreApplication::processEvents();
  for (auto& [name, p] : panels_)
    if (p) p->commit();
  if (close_requested_) return Event::Close;
  if (main_ && main_->take_redraw()) return Event::Redraw;
  return Event::None;
}

void QtToolkit::picture_open(const PictureSpec& desc) {
  if (auto old = pictures_.find(desc.name); old != pictures_.end() && old->second)
    delete old->second.data();
  auto* picture = new Picture(desc, nullptr);
  pictures_[desc.name] = picture;
  if (desc.region.empty()) picture->resize(desc.width, desc.height);
  place(picture, desc.region, desc.title);
}

void QtToolkit::picture_close(const std::string& name) {
  auto it = pictures_.find(name);
  if (it == pictures_.end()) return;
  delete it->second.data();
  pictures_.erase(it);
}

Picture& QtToolkit::find_picture(const std::string& name) {
  auto it = pictures_.find(name);
  if (it == pictures_.end() || !it->second) throw std::logic_error("no picture \"" + name + "\"");
  return *it->second;
}

bool QtToolkit::picture_closed(const std::string& name) {
  auto it = pictures_.find(name);
  return it == pictures_.end() || !it->second || it->second->closed();
}

void QtToolkit::view3_modal(const std::string& caption, const std::vector<std::string>& lines,
                            const Scene3& scene, const View3& start) {
  qt::run_scene_preview(dialog_parent(), caption, lines, scene, start);
}

void QtToolkit::view3_show(const std::string& name, const std::string& region, const Scene3& scene,
                           const View3& view) {
  auto it = views_.find(name);
  if (it == views_.end()) {
    SceneDisplay* display = qt::make_scene_display(nullptr);
    display->widget()->setObjectName(q("view:" + name));
    place(display->widget(), region, name);
    it = views_.emplace(name, display).first;
  }
  it->second->show_scene(scene, view);
}

}  // namespace

std::unique_ptr<Toolkit> make_qt_toolkit(int& argc, char** argv) {
  // One application per process; it lives until the process ends (a pointer
  // held here, so leak checkers see it reachable).
  static QApplication* application = nullptr;
  if (!QApplication::instance()) {
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    application = new QApplication(argc, argv);
    QApplication::setApplicationName("QMXV");
    QApplication::setQuitOnLastWindowClosed(false);
  }
  (void)application;
  // Qt sets the locale from the environment; numbers in files are always
  // written with a decimal point.
  std::setlocale(LC_NUMERIC, "C");
  return std::make_unique<QtToolkit>();
}

}  // namespace qmxv::ui
