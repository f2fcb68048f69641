#include "context/progress_window.h"

#include "context/app.h"
#include "context/texts.h"

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

void PrepareProgressForTarget(App& app) {
  ProgressModel& pw = app.progress;
  pw.caption = "((" + app.state.AppTitle + ")) Please Wait !";
  pw.stayOnTop = true;
  pw.Label2.clear();
  pw.Label1 = std::string(texts::TxtPreProcess[app.state.CharMode]);
  pw.st1_ProBar1.max = 100;
  pw.st1_ProBar1.min = 0;
  pw.st1_ProBar1.position = 0;
  pw.visible = true;
  app.ui.Refresh(View::Progress);
}

void SpeedButton1Click(App& app) {
  app.state.CancelFlag = -1;
}

namespace {

void SetProgressLayout(App& app, int height, bool batch) {
  app.progress.geometry.height = height;
  app.state.ProgressHeight = height;
  app.progress.Label3Visible = batch;
  app.progress.Label4Visible = batch;
  app.progress.st1_ProBar2.visible = batch;
  app.ui.Refresh(View::Progress);
}

}  // namespace

void SetProgressSingleLayout(App& app) {
  SetProgressLayout(app, kProgressHeightSingle, false);
}

void SetProgressBatchLayout(App& app) {
  SetProgressLayout(app, kProgressHeightBatch, true);
}

void x_hi_chk(App& app) {
  // Only the view knows how tall the wrapped labels are.
  app.ui.FitProgressHeight();
}

}  // namespace vex
