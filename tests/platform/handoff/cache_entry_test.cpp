#include "platform/handoff/cache_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/browser_fixtures.h"
#include "support/temp_dir.h"

namespace vex {
namespace {

using testing::ChromiumCacheEntryBytes;
using testing::FirefoxCacheEntryBytes;
using testing::TempDir;

struct KeyCase {
  const char* name;
  const char* key;
  const char* address;
};

TEST(CacheKeyAddress, FirefoxKeysLoseTheirTags) {
  const KeyCase cases[] = {
      {"anonymous tag", "a,:http://example.com/x", "http://example.com/x"},
      {"no tags", ":http://example.com/x", "http://example.com/x"},
      {"post id tag", "a,~1700000000,:http://example.com/form", "http://example.com/form"},
      {"partition key before", "O^partitionKey=%28https%2Cexample.org%29,a,:https://example.com/y",
       "https://example.com/y"},
      {"colons inside the address", ":https://example.com:8080/a:b?c=d:e",
       "https://example.com:8080/a:b?c=d:e"},
      {"no address", "a,", ""},
      {"colon not after the tags", "predictor::origin", ""},
      {"empty", "", ""},
  };
  for (const KeyCase& c : cases) EXPECT_EQ(FirefoxCacheKeyAddress(c.key), c.address) << c.name;
}

TEST(CacheKeyAddress, ChromiumKeysGiveTheirLastAddress) {
  const KeyCase cases[] = {
      {"plain key", "https://example.com/x", "https://example.com/x"},
      {"double-keyed", "1/0/_dk_https://example.org https://example.org https://example.com/x",
       "https://example.com/x"},
      {"prefix glued to the address", "1/0/https://example.com/z", "https://example.com/z"},
      {"address with a port", "_dk_s_ https://a.example https://a.example:8443/p",
       "https://a.example:8443/p"},
      {"no address", "1/0/_dk_", ""},
      {"empty", "", ""},
  };
  for (const KeyCase& c : cases) EXPECT_EQ(ChromiumCacheKeyAddress(c.key), c.address) << c.name;
}

TEST(CacheEntryAddress, ReadsTheKeyOfEntryFiles) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    const char* address;
  } cases[] = {
      {"firefox", FirefoxCacheEntryBytes("a,:http://example.com/x"), "http://example.com/x"},
      {"firefox without data", FirefoxCacheEntryBytes(":http://example.com/empty", 0),
       "http://example.com/empty"},
      // Data of two chunks puts two chunk hashes before the header.
      {"firefox two chunks", FirefoxCacheEntryBytes(":http://example.com/big", 300000),
       "http://example.com/big"},
      {"firefox exactly one chunk", FirefoxCacheEntryBytes(":http://example.com/c", 262144),
       "http://example.com/c"},
      {"firefox version 1 header", FirefoxCacheEntryBytes(":http://example.com/v1", 10, 1),
       "http://example.com/v1"},
      {"firefox unknown version", FirefoxCacheEntryBytes(":http://example.com/v9", 10, 9), ""},
      {"chromium", ChromiumCacheEntryBytes("https://example.com/x"), "https://example.com/x"},
      {"chromium double-keyed",
       ChromiumCacheEntryBytes("1/0/_dk_https://example.org https://example.org "
                               "https://example.com/page.html"),
       "https://example.com/page.html"},
      {"an HTML file", "<html><body>hello</body></html>\n", ""},
      {"empty file", "", ""},
      {"three bytes", "abc", ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string path = dir.Write("entry" + std::to_string(n++), c.bytes);
    EXPECT_EQ(CacheEntryAddress(path), c.address) << c.name;
  }
  EXPECT_EQ(CacheEntryAddress(dir / "missing"), "");
  EXPECT_EQ(CacheEntryAddress(dir.path().string()), "") << "a folder";
}

TEST(CacheEntryAddress, DamagedEntriesGiveNothing) {
  TempDir dir;
  const std::string firefox = FirefoxCacheEntryBytes(":http://example.com/x", 40);
  const std::string chromium = ChromiumCacheEntryBytes("https://example.com/x");
  std::string offsetTooFar = firefox;
  offsetTooFar[offsetTooFar.size() - 2] = '\x7F';  // metadata offset points past the end
  std::string keyTooLong = firefox;
  keyTooLong[40 + 4 + 2 + 24 + 2] = '\x10';  // key size 4117: runs past the end
  std::string keyNotEnded = firefox;
  keyNotEnded[40 + 4 + 2 + 32 + 21] = 'X';  // the zero byte after the key
  std::string otherMagic = chromium;
  otherMagic[0] = '\x31';
  std::string chromiumKeyTooLong = chromium;
  chromiumKeyTooLong[14] = '\x01';  // key length 65536 + ..., beyond the file
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"offset past the end", offsetTooFar},
      {"key past the metadata", keyTooLong},
      {"key without its zero byte", keyNotEnded},
      {"firefox cut before the offset", firefox.substr(0, firefox.size() - 4)},
      {"other magic number", otherMagic},
      {"chromium key past the end", chromiumKeyTooLong},
      {"chromium cut inside the key", chromium.substr(0, 30)},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string path = dir.Write("bad" + std::to_string(n++), c.bytes);
    EXPECT_EQ(CacheEntryAddress(path), "") << c.name;
  }
}

}  // namespace
}  // namespace vex
