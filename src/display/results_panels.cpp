#include "display/results_panels.h"

#include "display/surface_scene.h"
#include "run/state.h"

namespace qmxv::display {

namespace {

// Sizes [pixels] of the pictures: the flowfield plane beside its colour bar,
// the history strip under it, the surface colour bar under the 3-D view.
ui::PictureSpec picture_spec(const std::string& name) {
  if (name == kFlowfieldPicture) return {kFlowfieldPicture, "Flowfield", "flowfield", kFlowfieldWidth, kFlowfieldHeight};
  if (name == kHistoryPicture) return {kHistoryPicture, "History", "history", 640, 170};
  return {kSurfaceScalePicture, "Surface Scale", "surface", 640, 84};
}

}  // namespace

void open_result_picture(ui::Toolkit& ui, const std::string& name, const ui::Palette& palette,
                         int background) {
  if (ui.picture_closed(name)) ui.picture_open(picture_spec(name));
  ui.picture_palette(name, palette);
  ui.picture_clear(name, background);
}

void create_result_panels(State& s, ui::Toolkit& ui) {
  ui.picture_open(picture_spec(kFlowfieldPicture));
  ui.picture_open(picture_spec(kHistoryPicture));
  if (s.NSTRI > 0) {
    // The view before its colour bar, so the bar sits under it.
    ui::Scene3 scene = surface_scene(s);
    scene.background = s.IWHITES == 1 ? ui::Rgb{255, 255, 255} : ui::Rgb{0, 0, 0};
    ui.view3_show(kSurfaceView, "surface", scene, surface_result_view());
    ui.picture_open(picture_spec(kSurfaceScalePicture));
    create_forces_panel(s, ui);
  }
}

}  // namespace qmxv::display
