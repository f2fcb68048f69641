#include "links/home_site.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/scoped_env.h"
#include "support/test_app.h"

namespace vex {
namespace {

using testing::ScopedEnv;

TEST(HomeSite, DefaultsToTheDataFolder) {
  ScopedEnv env("VEXALORN_HOME_SITE", nullptr);
  testing::TestApp t;
  t.app.state.DataFolder = "/opt/vexalorn/";
  EXPECT_EQ(HomeSiteBase(t.app), "file:///opt/vexalorn/site/");
  EXPECT_EQ(HomePageFragment(t.app), "/opt/vexalorn/site/");
  EXPECT_EQ(SecondHomePageFragment(t.app), "/opt/vexalorn/site/en/");
}

TEST(HomeSite, DataFolderIsWrittenAsAnAddress) {
  ScopedEnv env("VEXALORN_HOME_SITE", nullptr);
  testing::TestApp t;
  t.app.state.DataFolder = "/home/a b/#1/ü/";
  EXPECT_EQ(HomeSiteBase(t.app), "file:///home/a%20b/%231/%C3%BC/site/");
}

TEST(HomeSite, EnvironmentReplacesTheFolder) {
  testing::TestApp t;
  t.app.state.DataFolder = "/opt/vexalorn/";
  {
    ScopedEnv env("VEXALORN_HOME_SITE", "http://127.0.0.1:8080/site");
    EXPECT_EQ(HomeSiteBase(t.app), "http://127.0.0.1:8080/site/");
    EXPECT_EQ(HomePageFragment(t.app), "127.0.0.1:8080/site/");
  }
  {
    ScopedEnv env("VEXALORN_HOME_SITE", "file:///srv/site/");
    EXPECT_EQ(HomeSiteBase(t.app), "file:///srv/site/");
  }
  {
    ScopedEnv env("VEXALORN_HOME_SITE", "ftp://x/");  // not a usable site: ignored
    EXPECT_EQ(HomeSiteBase(t.app), "file:///opt/vexalorn/site/");
  }
}

TEST(HomeSite, OnlyWebAndAbsoluteFileAddressesAreBases) {
  EXPECT_EQ(NormalizeHomeSiteBase(" HTTP://h/x "), "HTTP://h/x/");
  EXPECT_EQ(NormalizeHomeSiteBase("https://h/"), "https://h/");
  EXPECT_EQ(NormalizeHomeSiteBase("file://host/x"), "");
  EXPECT_EQ(NormalizeHomeSiteBase("http:///x"), "");
  EXPECT_EQ(NormalizeHomeSiteBase("http://"), "");
  EXPECT_EQ(NormalizeHomeSiteBase("/srv/site"), "");
  EXPECT_EQ(NormalizeHomeSiteBase("http://h/a b"), "");
}

}  // namespace
}  // namespace vex
