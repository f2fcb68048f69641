#include "platform/text/line_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/temp_dir.h"

namespace vex {
namespace {

TEST(ReadFileHead, StopsAtTheLimitAndTellsWhetherMoreWasThere) {
  testing::TempDir dir;
  const std::string path = dir.Write("ten.txt", "0123456789");
  struct Case {
    std::size_t limit;
    std::string head;
    bool cut;
  };
  const Case cases[] = {{0, "", true},
                        {4, "0123", true},
                        {9, "012345678", true},
                        {10, "0123456789", false},
                        {11, "0123456789", false}};
  for (const Case& c : cases) {
    std::string head = "stale";
    bool cut = !c.cut;
    ASSERT_TRUE(ReadFileHead(path, c.limit, head, &cut)) << c.limit;
    EXPECT_EQ(head, c.head) << c.limit;
    EXPECT_EQ(cut, c.cut) << c.limit;
  }
}

TEST(ReadFileHead, OnlyRegularFilesAreRead) {
  testing::TempDir dir;
  const std::string fifo = dir / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path :
       {std::string("/dev/zero"), fifo, dir.path().string(), dir / "missing"}) {
    std::string bytes = "stale";
    EXPECT_FALSE(ReadFileHead(path, 100, bytes)) << path;
    EXPECT_FALSE(ReadFileBytes(path, bytes)) << path;
    EXPECT_EQ(bytes, "stale") << path;
  }
}

// A file written again holds exactly the new bytes, whether they are longer,
// shorter or none; a folder or a missing folder cannot be written.
TEST(WriteFileBytes, ReplacesTheWholeFile) {
  testing::TempDir dir;
  const std::string path = dir / "page.htm";
  for (const std::string bytes : {"first version", "longer second version", "short", ""}) {
    ASSERT_TRUE(WriteFileBytes(path, bytes)) << bytes;
    std::string back = "stale";
    ASSERT_TRUE(ReadFileBytes(path, back));
    EXPECT_EQ(back, bytes);
  }
  EXPECT_FALSE(WriteFileBytes(dir.path().string(), "x"));
  EXPECT_FALSE(WriteFileBytes(dir / "missing/page.htm", "x"));
}

}  // namespace
}  // namespace vex
