// Relabelling the main window for the language and mark mode (CharMode) and
// the page-type mode (JumpMode).
#pragma once

namespace vex {

struct App;

// Sets the mode texts of the buttons and the window caption for CharMode,
// then the page-type button (x_JumpChk).
void x_ZenHan(App& app);
// Sets the page-type button's caption and hint for JumpMode and CharMode; a
// JumpMode outside 0..2 leaves them as they are.
void x_JumpChk(App& app);

}  // namespace vex
