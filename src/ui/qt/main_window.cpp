#include "ui/qt/main_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace qmxv::ui::qt {

namespace {

QWidget* make_region(const char* name, QWidget* parent) {
  auto* w = new QWidget(parent);
  w->setObjectName(QString("region:") + name);
  auto* layout = new QVBoxLayout(w);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  w->hide();
  return w;
}

}  // namespace

MainWindow::MainWindow() {
  setObjectName("main-window");
  auto* central = new QWidget(this);
  auto* page = new QVBoxLayout(central);
  page->setContentsMargins(6, 6, 6, 6);
  page->setSpacing(6);

  for (const char* name : {"units-bar", "flowfield-bar", "surface-bar", "flowfield", "surface",
                           "history", "forces", "side", "log"})
    regions_[name] = make_region(name, central);

  page->addWidget(regions_["units-bar"]);
  // The middle is a widget of its own, so it keeps the room between the bars
  // and the log even while no picture is in it yet.
  auto* middle_area = new QWidget(central);
  auto* middle = new QHBoxLayout(middle_area);
  middle->setContentsMargins(0, 0, 0, 0);
  middle->setSpacing(6);
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  left->setSpacing(6);
  right->setSpacing(6);
  left->addWidget(regions_["flowfield-bar"]);
  left->addWidget(regions_["flowfield"], 1);
  left->addWidget(regions_["history"]);
  right->addWidget(regions_["surface-bar"]);
  right->addWidget(regions_["surface"], 1);
  right->addWidget(regions_["forces"]);
  middle->addLayout(left, 1);
  middle->addLayout(right, 1);
  middle->addWidget(regions_["side"]);
  page->addWidget(middle_area, 1);
  page->addWidget(regions_["log"]);
  setCentralWidget(central);
}

QWidget* MainWindow::region(const std::string& name) const {
  auto it = regions_.find(name);
  return it == regions_.end() ? regions_.at("side") : it->second;
}

void MainWindow::place(const std::string& name, QWidget* widget) {
  QWidget* r = region(name);
  widget->setParent(r);
  r->layout()->addWidget(widget);
  widget->show();
  refresh(r);
}

void MainWindow::set_visible(QWidget* widget, bool visible) {
  widget->setVisible(visible);
  if (QWidget* r = widget->parentWidget(); r && r->objectName().startsWith("region:")) refresh(r);
}

void MainWindow::refresh(QWidget* r) {
  bool any = false;
  for (QObject* child : r->children())
    if (auto* w = qobject_cast<QWidget*>(child); w && !w->isHidden()) any = true;
  r->setVisible(any);
}

bool MainWindow::take_redraw() {
  const bool r = redraw_;
  redraw_ = false;
  return r;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The window goes at once; the program stops at its next event service.
  event->accept();
  if (on_close) on_close();
}

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized))
    redraw_ = true;
  QMainWindow::changeEvent(event);
}

void MainWindow::showEvent(QShowEvent* event) {
  if (shown_before_) redraw_ = true;
  shown_before_ = true;
  QMainWindow::showEvent(event);
}

}  // namespace qmxv::ui::qt
