// The frame chooser (Frame1_form): a modal list of the frames of a frame-set
// page, from which the user picks one to check instead of the frame set.
#pragma once

namespace vex {

struct App;

// Fills the chooser's model before it shows: placed directly below the main
// window and aligned with Edit1, one line per frame address, labels for the
// current language.
void Frame1FormShow(App& app);

// A line was picked: it becomes CurrentTarget. False (nothing changes) for an
// index outside the list.
bool ListBox1Click(App& app, int index);

// Shows the chooser modally through the front end. True when the user picked
// a line (CurrentTarget now holds it); closing without a pick leaves
// CurrentTarget unchanged.
bool ChooseFrameTarget(App& app);

}  // namespace vex
