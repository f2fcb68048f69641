// The main window's handlers (Form1). The window is a view of App::main; each
// handler reads and writes the models and talks to the user through App::ui.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "context/models.h"

namespace vex {

struct App;

// Key codes the history recall reacts to.
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyDown = 40;

// Default extension of batch files written by the file button.
inline constexpr std::string_view kBatchExtension = "bchk";
// The open dialog's filters, 0-based: HTML files, all files, batch files.
inline constexpr int kBatchFilterIndex = 2;
// Where the help index lies below the program's data folder.
inline constexpr std::string_view kHelpIndex = "help/index.html";

// The history keeps the empty entry 0 and at most this many targets.
inline constexpr std::size_t kHistoryTargets = 9;

// How the open dialog behaves for the filter the user selected.
struct OpenDialogOptions {
  bool singleFile = false;   // the batch filter allows one file only
  bool hideReadOnly = true;  // the read-only box never shows
};

// File button: pick one target, or several files to write a batch file.
void B_fileClick(App& app);
// The open dialog's filter changed (also applied before it shows).
[[nodiscard]] OpenDialogOptions OpenDialog1TypeChange(int filterIndex);
// IE button: the address shown by the running browser.
void B_IEClick(App& app);
// Check!: starts a run through the start message and records the history.
void B_CheckClick(App& app);
// Diagnostic Cancel button.
void Button3Click(App& app);
// HELP: opens the help index; nothing when it is missing.
void Button4Click(App& app);
// Mark and language switch.
void Button5Click(App& app);
// Page-type switch.
void Button7Click(App& app);
// Diagnostic: the progress window in its batch layout.
void Button8Click(App& app);

// Edit1's text changed (by the user or by a handler).
void Edit1Change(App& app);
// Wildcard cycle over a file path.
void Edit1DblClick(App& app);
// History recall with the arrow keys.
void Edit1KeyUp(App& app, int key);

// Sets Edit1's text as a handler does, which counts as a change of it.
void SetEdit1(App& app, std::string text);

// The batch writer: the chosen files, header first, saved through the save
// dialog. Memo1 keeps the list when the dialog is cancelled.
void WriteBatchFile(App& app, const std::vector<std::string>& files);

// Folder part of a path with its "/" (empty for a bare name), and the
// extension with its dot (empty when there is none).
[[nodiscard]] std::string FolderOfPath(std::string_view path);
[[nodiscard]] std::string ExtensionOfPath(std::string_view path);

}  // namespace vex
