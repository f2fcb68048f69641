// The windows' controls as plain data that the core owns. The Qt views mirror
// these fields; the terminal front end and the tests read them directly.
#pragma once

#include <string>

#include "platform/text/line_list.h"

namespace vex {

struct ButtonModel {
  std::string caption;
  std::string hint;
};

struct Geometry {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Places of the top row (x, y, width, height), the 96-dpi design.
struct ControlPlace {
  int x, y, width, height;
};
inline constexpr ControlPlace kB_filePlace{-1, 0, 30, 25};
inline constexpr ControlPlace kB_IEPlace{29, 0, 30, 25};
inline constexpr ControlPlace kB_CheckPlace{59, 0, 70, 25};
inline constexpr ControlPlace kEdit1Place{128, 0, 422, 25};
inline constexpr ControlPlace kButton4Place{550, 0, 35, 25};
inline constexpr ControlPlace kButton5Place{585, 0, 25, 25};
inline constexpr ControlPlace kButton7Place{610, 0, 54, 25};

// Main window (Form1).
struct MainWindowModel {
  std::string caption;
  // The application's title in the task bar; the link walk shows its
  // progress there.
  std::string TaskbarTitle;
  Geometry geometry;
  bool diagnosticLayout = false;  // full size with the diagnostic controls

  ButtonModel B_file{"file", ""};
  ButtonModel B_IE{"IE", ""};
  ButtonModel B_Check{"Check!", ""};
  ButtonModel Button4{"HELP", ""};
  ButtonModel Button5{"◎", ""};
  ButtonModel Button7{"", ""};

  std::string Edit1;  // the target
  std::string Edit1Hint;
  std::string Edit2;  // the page's base address
  std::string Edit3;  // address navigated by page preparation
  std::string Edit4;  // address navigated by the page opener

  LineList Memo1;  // header block; scratch of the batch-file writer; walk log
  LineList Memo4;  // SettingsImage
  LineList Memo7;  // NoCheckList
  LineList Memo8;  // CannotCheckList
  // Memo2, Memo3, Memo5, Memo6 mirror SourceLines, FrameUrls, WorkLines and
  // LocalFileLines of the run state; the views read those lists directly.

  // Wildcard texts kept between double-clicks on Edit1.
  std::string WildSource, WildSameExt, WildHtml, WildAll;
};

struct ProgressBarModel {
  int min = 0;
  int max = 100;
  int position = 0;
  bool visible = true;
};

// Progress window (st1_Form1).
struct ProgressModel {
  std::string caption = "((VEXALORN))";
  bool visible = false;
  bool stayOnTop = true;
  Geometry geometry{657, 130, 355, 103};
  ProgressBarModel st1_ProBar1;
  ProgressBarModel st1_ProBar2{0, 100, 0, false};
  std::string Label1, Label2, Label3, Label4;
  bool Label3Visible = false;
  bool Label4Visible = false;
};

// Frame chooser (Frame1_form).
struct FrameChooserModel {
  std::string caption = "Vexalorn";
  Geometry geometry{0, 0, 449, 151};
  LineList items;
  std::string Label1, Label2;
};

}  // namespace vex
