// The progress window's handlers (st1_Form1): sizing, showing, closing and the
// Cancel button. The window itself is a view of App::progress.
#pragma once

namespace vex {

struct App;

inline constexpr int kProgressWidth = 355;
inline constexpr int kProgressWidthXp = 367;
inline constexpr int kProgressHeightSingle = 103;  // one target
inline constexpr int kProgressHeightBatch = 152;   // batch: Label3, Label4, st1_ProBar2 shown

// Creation: the width for the system the program runs on.
void st1_FormCreate(App& app);
// Shows the window (non-modal) and resets CancelFlag.
void ShowProgressWindow(App& app);
// Closes the window when it shows, resetting CancelFlag.
void CloseProgressWindow(App& app);
// The Cancel button.
void SpeedButton1Click(App& app);

// The start of one target: the caption, on top, Label1 the pre-process text,
// Label2 empty, the page bar at 0 of 100; shown when it is not.
void PrepareProgressForTarget(App& app);

// The two layouts; each also stores its height in ProgressHeight.
void SetProgressSingleLayout(App& app);
void SetProgressBatchLayout(App& app);

// Lets the window fit its height so that the client area ends at Label3.
void x_hi_chk(App& app);

}  // namespace vex
