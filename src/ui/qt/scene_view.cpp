#include "ui/qt/scene_view.h"

#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLBuffer>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

#include "display/canvas.h"
#include "display/view3d.h"

namespace qmxv::ui::qt {

namespace {

// Flat colours: each vertex carries its triangle's (or line's) colour.
constexpr const char* kVertexShader = R"(
attribute vec3 position;
attribute vec3 colour;
uniform mat4 mvp;
varying vec3 flat_colour;
void main() {
  flat_colour = colour;
  gl_Position = mvp * vec4(position, 1.0);
}
)";

constexpr const char* kFragmentShader = R"(
#ifdef GL_ES
precision mediump float;
#endif
varying vec3 flat_colour;
void main() {
  gl_FragColor = vec4(flat_colour, 1.0);
}
)";

struct Vertex {
  float x, y, z;
  float r, g, b;
};

void add_vertex(std::vector<Vertex>& to, const std::array<float, 3>& p, Rgb c) {
  to.push_back({p[0], p[1], p[2], c.r / 255.0f, c.g / 255.0f, c.b / 255.0f});
}

class GlSceneView : public QOpenGLWidget, protected QOpenGLFunctions, public SceneDisplay {
 public:
  explicit GlSceneView(QWidget* parent) : QOpenGLWidget(parent) {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setDepthBufferSize(24);
    format.setSamples(4);
    setFormat(format);
    setObjectName("scene-view");
    setMinimumSize(160, 120);
  }
  ~GlSceneView() override {
    makeCurrent();
    buffer_.destroy();
    doneCurrent();
  }

  QWidget* widget() override { return this; }
  const View3& view() const override { return view_; }
  QImage grab_picture() override { return grabFramebuffer(); }

  void show_scene(const Scene3& scene, const View3& view) override {
    scene_ = scene;
    dirty_ = true;
    set_view(view);
  }
  void set_view(const View3& view) override {
    view_ = view;
    update();
  }

 protected:
  void initializeGL() override {
    initializeOpenGLFunctions();
    program_.addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader);
    program_.addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader);
    program_.bindAttributeLocation("position", 0);
    program_.bindAttributeLocation("colour", 1);
    program_.link();
    buffer_.create();
    dirty_ = true;
  }

  void paintGL() override {
    const qreal ratio = devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(width() * ratio), static_cast<GLsizei>(height() * ratio));
    const Rgb bg = scene_.background;
    glClearColor(bg.r / 255.0f, bg.g / 255.0f, bg.b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!program_.isLinked()) return;
    if (dirty_) upload();

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    const float aspect =
        height() > 0 ? static_cast<float>(width()) / static_cast<float>(height()) : 1.0f;
    const display::Mat4 mvp =
        display::multiply(display::projection_matrix(aspect), display::model_matrix(view_));

    program_.bind();
    glUniformMatrix4fv(program_.uniformLocation("mvp"), 1, GL_FALSE, mvp.data());
    buffer_.bind();
    program_.enableAttributeArray(0);
    program_.enableAttributeArray(1);
    program_.setAttributeBuffer(0, GL_FLOAT, offsetof(Vertex, x), 3, sizeof(Vertex));
    program_.setAttributeBuffer(1, GL_FLOAT, offsetof(Vertex, r), 3, sizeof(Vertex));

    // A surface seen from behind is not drawn: its front face turns
    // counter-clockwise towards the viewer, the normal (P2-P1)x(P3-P1) facing it.
    if (scene_.cull_back_faces) {
      glEnable(GL_CULL_FACE);
      glFrontFace(GL_CCW);
      glCullFace(GL_BACK);
    } else {
      glDisable(GL_CULL_FACE);
    }
    // Triangles are pushed back a little so lines along their edges show.
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
    glDrawArrays(GL_TRIANGLES, 0, triangle_vertices_);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_CULL_FACE);
    glDrawArrays(GL_LINES, triangle_vertices_, line_vertices_);

    program_.disableAttributeArray(0);
    program_.disableAttributeArray(1);
    buffer_.release();
    program_.release();
  }

 private:
  void upload() {
    std::vector<Vertex> v;
    v.reserve(scene_.triangles.size() * 3 + scene_.lines.size() * 2);
    for (const Triangle3& t : scene_.triangles)
      for (const auto& p : t.p) add_vertex(v, p, t.colour);
    for (const Line3& l : scene_.lines) {
      add_vertex(v, l.a, l.colour);
      add_vertex(v, l.b, l.colour);
    }
    triangle_vertices_ = static_cast<GLsizei>(scene_.triangles.size() * 3);
    line_vertices_ = static_cast<GLsizei>(scene_.lines.size() * 2);
    buffer_.bind();
    buffer_.allocate(v.data(), static_cast<int>(v.size() * sizeof(Vertex)));
    buffer_.release();
    dirty_ = false;
  }

  Scene3 scene_;
  View3 view_;
  bool dirty_ = true;
  QOpenGLShaderProgram program_;
  QOpenGLBuffer buffer_{QOpenGLBuffer::VertexBuffer};
  GLsizei triangle_vertices_ = 0, line_vertices_ = 0;
};

// The same picture drawn by the CPU rasteriser, where OpenGL is missing.
class RasterSceneView : public QWidget, public SceneDisplay {
 public:
  explicit RasterSceneView(QWidget* parent) : QWidget(parent) {
    setObjectName("scene-view");
    setMinimumSize(160, 120);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  QWidget* widget() override { return this; }
  const View3& view() const override { return view_; }
  QImage grab_picture() override { return render(); }
  void show_scene(const Scene3& scene, const View3& view) override {
    scene_ = scene;
    set_view(view);
  }
  void set_view(const View3& view) override {
    view_ = view;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.drawImage(0, 0, render());
  }

 private:
  QImage render() const {
    const display::Image image = display::render3(scene_, view_, width(), height());
    QImage out(image.width, image.height, QImage::Format_RGB888);
    for (int y = 0; y < image.height; ++y) {
      uchar* row = out.scanLine(y);
      for (int x = 0; x < image.width; ++x) {
        const Rgb c = image.at(x, y);
        row[3 * x] = c.r;
        row[3 * x + 1] = c.g;
        row[3 * x + 2] = c.b;
      }
    }
    return out;
  }
  Scene3 scene_;
  View3 view_;
};

}  // namespace

bool opengl_available() {
  static std::optional<bool> available;
  if (!available) {
    const QString platform = QGuiApplication::platformName();
    if (platform == "offscreen" || platform == "minimal") {
      available = false;
    } else {
      QOffscreenSurface surface;
      surface.create();
      QOpenGLContext context;
      available = context.create() && context.makeCurrent(&surface);
      if (*available) context.doneCurrent();
    }
  }
  return *available;
}

SceneDisplay* make_scene_display(QWidget* parent) {
  if (opengl_available()) return new GlSceneView(parent);
  return new RasterSceneView(parent);
}

ViewControl::ViewControl(SceneDisplay* display, View3 start)
    : QObject(display->widget()), display_(display), view_(start) {
  display_->widget()->installEventFilter(this);
  display_->widget()->setFocusPolicy(Qt::StrongFocus);
}

void ViewControl::changed() {
  display_->set_view(view_);
}

bool ViewControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched != display_->widget()) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Left)
        view_.xt -= kMoveStep;
      else if (key == Qt::Key_Right)
        view_.xt += kMoveStep;
      else if (key == Qt::Key_Up)
        view_.yt += kMoveStep;
      else if (key == Qt::Key_Down)
        view_.yt -= kMoveStep;
      else
        return false;
      changed();
      return true;
    }
    case QEvent::MouseButtonPress:
      last_ = static_cast<QMouseEvent*>(event)->position().toPoint();
      display_->widget()->setFocus();
      return true;
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint at = mouse->position().toPoint();
      const int dx = at.x() - last_.x(), dy = at.y() - last_.y();
      last_ = at;
      if (mouse->buttons() & Qt::RightButton) {
        // Up or right enlarges, down or left shrinks.
        const int steps = dx - dy;
        if (steps == 0) return true;
        view_.scale *= std::pow(kZoomStep, static_cast<float>(steps));
      } else if (mouse->buttons() & Qt::LeftButton) {
        if (dx == 0 && dy == 0) return true;
        // A vertical drag tips the picture about the screen's horizontal
        // axis (A); a horizontal drag turns it about the second axis (B).
        view_.a_deg += kDegreesPerPixel * static_cast<float>(dy);
        view_.b_deg += kDegreesPerPixel * static_cast<float>(dx);
      } else {
        return false;
      }
      changed();
      return true;
    }
    default:
      return false;
  }
}

void run_scene_preview(QWidget* parent, const std::string& caption,
                       const std::vector<std::string>& lines, const Scene3& scene,
                       const View3& start) {
  QDialog dialog(parent);
  dialog.setObjectName("scene-preview");
  dialog.setWindowTitle(QString::fromStdString(caption));
  dialog.setModal(true);
  auto* layout = new QVBoxLayout(&dialog);
  layout->setContentsMargins(0, 0, 0, 8);
  layout->setSpacing(6);

  SceneDisplay* display = make_scene_display(&dialog);
  layout->addWidget(display->widget(), 1);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto* label = new QLabel(QString::fromStdString(lines[i]), &dialog);
    label->setAlignment(Qt::AlignCenter);
    if (i == 0) {
      QFont bold = label->font();
      bold.setBold(true);
      label->setFont(bold);
    }
    layout->addWidget(label);
  }
  display->show_scene(scene, start);
  new ViewControl(display, start);
  display->widget()->setFocus();
  dialog.resize(800, 660);
  dialog.exec();
}

}  // namespace qmxv::ui::qt
