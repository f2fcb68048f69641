#include "support/walk_context.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "context/texts.h"
#include "links/exclusion_lists.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"
#include "settings/settings_file.h"

namespace vex::testing {

WalkContext::WalkContext() {
  ::setenv("VEXALORN_HOME", home.path().c_str(), 1);
  // The cannot-check list of a new settings file.
  WriteDefaultSettings(app.SettingsImage());
  BuildCannotCheckList(app);
  app.state.NoHeaderBlock = 1;
  SetModes(0, 0);
}

WalkContext::~WalkContext() {
  ::unsetenv("VEXALORN_HOME");
}

void WalkContext::SetModes(int charMode, int jumpMode) {
  app.state.CharMode = charMode;
  app.state.JumpMode = jumpMode;
  app.main.Button7.caption = std::string(texts::JumpModeCaptions[jumpMode][charMode]);
}

void WalkContext::SetPage(const std::string& body, const std::string& title) {
  app.state.WorkLines = SplitLines("<html><head><title>" + title + "</title></head>\r\n<body>" +
                                   body + "</body></html>");
}

SavedPage ReadSaved(const std::string& path) {
  SavedPage p;
  EXPECT_TRUE(ReadFileBytes(path, p.bytes)) << path;
  EXPECT_TRUE(StartsWith(p.bytes, "\xEF\xBB\xBF"));
  p.doc = html::Document::Parse(std::string_view(p.bytes).substr(3), "file://" + path);
  return p;
}

}  // namespace vex::testing
