#include "context/frame_chooser.h"

#include "context/app.h"
#include "context/models.h"
#include "context/texts.h"

namespace vex {

void Frame1FormShow(App& app) {
  const Geometry& mainWindow = app.main.geometry;
  app.frames.geometry.top = mainWindow.top + mainWindow.height;
  app.frames.geometry.left = mainWindow.left + kEdit1Place.x;
  app.frames.items = app.state.FrameUrls;
  const int mode = app.state.CharMode == 1 ? 1 : 0;
  app.frames.Label1 = std::string(texts::FrameChooserLabel1[mode]);
  app.frames.Label2 = std::string(texts::FrameChooserLabel2[mode]);
  app.ui.Refresh(View::FrameChooser);
}

bool ListBox1Click(App& app, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= app.frames.items.size()) return false;
  app.state.CurrentTarget = app.frames.items[static_cast<std::size_t>(index)];
  return true;
}

bool ChooseFrameTarget(App& app) {
  Frame1FormShow(app);
  const std::optional<int> pick = app.ui.ChooseFrame(app.frames.items);
  return pick && ListBox1Click(app, *pick);
}

}  // namespace vex
