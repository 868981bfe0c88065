// The 3-D view of coloured triangles and lines on the desktop, and the
// surface preview window built on it.
//
// The view is drawn by OpenGL (QOpenGLWidget) with the model matrix and the
// perspective of display/view3d.h, a depth buffer and back faces culled, so
// it shows what display::render3 draws without a display. Where the platform
// has no OpenGL (the offscreen platform of the widget tests) the same widget
// interface shows render3's picture instead.
#pragma once

#include <QImage>
#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "ui/toolkit.h"

class QWidget;
class QDialog;

namespace qmxv::ui::qt {

class SceneDisplay {
 public:
  virtual ~SceneDisplay() = default;
  virtual QWidget* widget() = 0;
  virtual void show_scene(const Scene3& scene, const View3& view) = 0;
  // The same scene from another view.
  virtual void set_view(const View3& view) = 0;
  virtual const View3& view() const = 0;
  // The picture as drawn on the screen.
  virtual QImage grab_picture() = 0;
};

// True when this platform can draw with OpenGL.
bool opengl_available();

// A 3-D view owned by `parent`: OpenGL when available, else the CPU picture.
SceneDisplay* make_scene_display(QWidget* parent);

// The user's control of a view: arrow keys move it, dragging with the right
// mouse button sizes it by 1.02 per step, dragging with the left button
// rotates it; every change is shown at once.
class ViewControl : public QObject {
 public:
  ViewControl(SceneDisplay* display, View3 start);
  const View3& view() const { return view_; }

  // Sizes: one step per pixel of drag, up or right enlarging.
  static constexpr float kZoomStep = 1.02f;
  // Moves per arrow key, in the view's translation units.
  static constexpr float kMoveStep = 0.1f;
  // Degrees of rotation per pixel of drag.
  static constexpr float kDegreesPerPixel = 0.5f;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void changed();
  SceneDisplay* display_;
  View3 view_;
  QPoint last_;
};

// The modal surface preview: `caption` as the window title, the text lines
// under the picture; returns when the window is closed.
void run_scene_preview(QWidget* parent, const std::string& caption,
                       const std::vector<std::string>& lines, const Scene3& scene,
                       const View3& start);

}  // namespace qmxv::ui::qt
