#include "app/progress_window.h"

#include "app/app.h"

namespace vex {

namespace {

bool RunsOnXp(const App& app) {
  return app.state.ProgressOsName == "XP";
}

}  // namespace

void st1_FormCreate(App& app) {
  app.progress.geometry.width = RunsOnXp(app) ? kProgressWidthXp : kProgressWidth;
  app.ui.Refresh(View::Progress);
}

void ShowProgressWindow(App& app) {
  app.state.CancelFlag = 0;
  // The old system draws a taller caption bar; the client area keeps its size.
  if (RunsOnXp(app)) app.progress.geometry.height = app.state.ProgressHeight + 12;
  app.progress.visible = true;
  app.ui.Refresh(View::Progress);
}

void CloseProgressWindow(App& app) {
  if (!app.progress.visible) return;
  app.state.CancelFlag = 0;
  app.progress.visible = false;
  app.ui.Refresh(View::Progress);
}

void SpeedButton1Click(App& app) {
  app.state.CancelFlag = -1;
}

void SetProgressSingleLayout(App& app) {
  app.progress.geometry.height = kProgressHeightSingle;
  app.state.ProgressHeight = kProgressHeightSingle;
  app.progress.Label3Visible = false;
  app.progress.Label4Visible = false;
  app.progress.st1_ProBar2.visible = false;
  app.ui.Refresh(View::Progress);
}

void SetProgressBatchLayout(App& app) {
  app.progress.geometry.height = kProgressHeightBatch;
  app.state.ProgressHeight = kProgressHeightBatch;
  app.progress.Label3Visible = true;
  app.progress.Label4Visible = true;
  app.progress.st1_ProBar2.visible = true;
  app.ui.Refresh(View::Progress);
}

void x_hi_chk(App& app) {
  // Only the view knows how tall the wrapped labels are.
  app.ui.FitProgressHeight();
}

}  // namespace vex
