#include "ui/qt/picture.h"

#include <QCloseEvent>
#include <QFile>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

namespace qmxv::ui::qt {

namespace {

// Labels in pictures: the desktop's sans-serif face at the height of the
// batch pictures' 8x13 bitmap font.
QFont picture_font() {
  QFont f;
  f.setPixelSize(12);
  return f;
}

}  // namespace

Picture::Picture(const PictureSpec& desc, QWidget* parent)
    : QWidget(parent),
      spec_(desc),
      map_(std::max(desc.width, 1), std::max(desc.height, 1)),
      image_(std::max(desc.width, 1), std::max(desc.height, 1),
             QImage::Format_ARGB32_Premultiplied) {
  setObjectName(QString::fromStdString("picture:" + desc.name));
  image_.fill(Qt::black);
  shown_ = image_;
  setMinimumSize(std::min(spec_.width, 120), std::min(spec_.height, 90));
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

Picture::~Picture() {
  end_painting();
}

QPainter& Picture::painter() {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setFont(picture_font());
  }
  return *painter_;
}

void Picture::end_painting() {
  if (painter_) painter_->end();
  painter_.reset();
}

QColor Picture::colour(int index) const {
  const Rgb c = palette_[static_cast<std::size_t>(index & 0xff)];
  return {c.r, c.g, c.b};
}

void Picture::clear(int colour_index) {
  end_painting();
  image_.fill(colour(colour_index));
}

void Picture::fill_rect(int colour_index, double x0, double y0, double x1, double y1) {
  // The same pixels as the batch raster: those whose centres fall inside.
  const auto r = map_.rect_pixels(x0, y0, x1, y1);
  if (r.right <= r.left || r.bottom <= r.top) return;
  QPainter& p = painter();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), colour(colour_index));
}

void Picture::line(int colour_index, double x0, double y0, double x1, double y1) {
  polyline(colour_index, {x0, y0, x1, y1});
}

void Picture::polyline(int colour_index, const std::vector<double>& xy) {
  if (xy.size() < 4) return;
  // End points at the centres of the pixels the batch raster starts and ends
  // its lines in; between them the line is smoothed.
  QPolygonF points;
  for (std::size_t i = 0; i + 1 < xy.size(); i += 2)
    points << QPointF(map_.column_of(xy[i]) + 0.5, map_.row_of(xy[i + 1]) + 0.5);
  QPainter& p = painter();
  p.setRenderHint(QPainter::Antialiasing, true);
  QPen pen(colour(colour_index));
  pen.setWidth(1);
  pen.setCapStyle(Qt::SquareCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  if (points.size() == 2 && points[0] == points[1])
    p.drawPoint(points[0]);
  else
    p.drawPolyline(points);
}

void Picture::text(int colour_index, double x, double y, const std::string& text, TextAlign align) {
  const QString s = QString::fromStdString(text);
  QPainter& p = painter();
  p.setRenderHint(QPainter::TextAntialiasing, true);
  p.setPen(colour(colour_index));
  const double width = QFontMetricsF(p.font()).horizontalAdvance(s);
  double left = map_.column_of(x);
  if (align == TextAlign::Centre) left -= width / 2;
  if (align == TextAlign::Right) left -= width;
  // The baseline lies under the pixel row the batch raster puts it on.
  p.drawText(QPointF(left, map_.row_of(y) + 1), s);
}

void Picture::present() {
  end_painting();
  shown_ = image_.copy();
  update();
}

const QImage& Picture::drawn() {
  end_painting();
  return image_;
}

bool Picture::save_bmp(const std::string& path) {
  // Written under a temporary name and renamed, so a failed write never
  // leaves half a bitmap where a good one stood.
  const QImage rgb = drawn().convertToFormat(QImage::Format_RGB888);
  const std::string temporary = path + ".part";
  if (!rgb.save(QString::fromStdString(temporary), "BMP")) {
    std::remove(temporary.c_str());
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

std::optional<MouseClick> Picture::take_click() {
  if (clicks_.empty()) return std::nullopt;
  MouseClick c = clicks_.front();
  clicks_.pop_front();
  return c;
}

QRectF Picture::image_rect() const {
  const QSizeF image(shown_.width(), shown_.height());
  QSizeF fit = image;
  if (image.width() > width() || image.height() > height())
    fit = image.scaled(QSizeF(width(), height()), Qt::KeepAspectRatio);
  return {QPointF((width() - fit.width()) / 2, (height() - fit.height()) / 2), fit};
}

void Picture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRectF target = image_rect();
  if (target.size() == QSizeF(shown_.size())) {
    p.drawImage(target.topLeft(), shown_);
  } else {
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(target, shown_);
  }
}

void Picture::mousePressEvent(QMouseEvent* event) {
  const int button = event->button() == Qt::LeftButton    ? 1
                     : event->button() == Qt::RightButton ? 2
                                                          : 0;
  const QRectF target = image_rect();
  const QPointF at = event->position();
  if (button == 0 || !target.contains(at)) return;
  const double px = (at.x() - target.left()) * shown_.width() / target.width();
  const double py = (at.y() - target.top()) * shown_.height() / target.height();
  clicks_.push_back({button, map_.from_px(px), map_.from_py(py)});
}

void Picture::closeEvent(QCloseEvent* event) {
  closed_ = true;
  event->accept();
}

}  // namespace qmxv::ui::qt
