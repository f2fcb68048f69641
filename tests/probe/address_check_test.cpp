#include "probe/address_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "context/app.h"
#include "support/probe_site.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

using testing::ProbeContext;
using testing::SiteUrl;

TEST(Button2ClickTest, ShowsTheProbesMarkByKindOfTarget) {
  testing::TempDir dir;
  const std::string page = dir.Write("page.html", "<html><body>x</body></html>");
  struct Row {
    const char* name;
    std::string target;
    int charMode;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"web", SiteUrl("/fast"), 0, "Http=◎"},
      {"web_en", SiteUrl("/fast"), 1, "Http=(OK)"},
      {"web_broken", SiteUrl("/status/404"), 0, "Http=×"},
      {"file_address", "file://" + page, 0, "Http=◎"},
      {"plain_path", page, 1, "Local=(OK)"},
      {"missing_path", dir / "gone.html", 0, "Local=×"},
      {"missing_path_en", dir / "gone.html", 1, "Local=(NG)"},
  };
  for (const Row& r : rows) {
    ProbeContext ctx;
    ctx.app.state.CurrentTarget = r.target;
    ctx.app.state.CharMode = r.charMode;
    ctx.app.state.CancelFlag = -1;
    EXPECT_EQ(Button2Click(ctx.app), r.expected) << r.name;
    EXPECT_EQ(ctx.ui.messages, std::vector<std::string>{r.expected}) << r.name;
    EXPECT_EQ(ctx.app.state.CancelFlag, 0) << r.name;
  }
}

}  // namespace
}  // namespace vex
