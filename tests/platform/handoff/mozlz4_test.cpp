#include "platform/handoff/mozlz4.h"

#include <gtest/gtest.h>
#include <lz4.h>

#include <cstdint>
#include <string>

namespace vex {
namespace {

// Writes the file format by hand with liblz4, independent of the reader.
std::string Pack(const std::string& plain, std::uint32_t statedSize) {
  std::string out("mozLz40", 8);  // with its terminating zero byte
  for (int k = 0; k < 4; ++k) out += static_cast<char>((statedSize >> (8 * k)) & 0xFF);
  std::string block(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(plain.size()))),
                    '\0');
  int n = LZ4_compress_default(plain.data(), block.data(), static_cast<int>(plain.size()),
                               static_cast<int>(block.size()));
  block.resize(static_cast<std::size_t>(n));
  return out + block;
}
std::string Pack(const std::string& plain) {
  return Pack(plain, static_cast<std::uint32_t>(plain.size()));
}

TEST(MozLz4, DecodesWhatLz4Compressed) {
  std::string plain = "{\"windows\":[]}";
  for (int i = 0; i < 2000; ++i) plain += "repeated text " + std::to_string(i % 7);
  std::string out;
  ASSERT_TRUE(DecodeMozLz4(Pack(plain), out));
  EXPECT_EQ(out, plain);
  ASSERT_TRUE(DecodeMozLz4(Pack(""), out));
  EXPECT_EQ(out, "");
}

TEST(MozLz4, RejectsDamagedFiles) {
  const std::string plain(5000, 'x');
  const std::string good = Pack(plain);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"header only", good.substr(0, 12)},
      {"other magic", "mozLz41" + good.substr(7)},
      {"magic without its zero byte", "mozLz40" + good.substr(8)},
      {"stated size too small", Pack(plain, 4999)},
      {"stated size too large", Pack(plain, 5001)},
      {"forged huge size", Pack(plain, 0xFFFFFFF0u)},
      {"truncated block", good.substr(0, good.size() - 3)},
      {"plain JSON", "{\"windows\":[]}"},
  };
  for (const Case& c : cases) {
    std::string out = "left over";
    EXPECT_FALSE(DecodeMozLz4(c.bytes, out)) << c.name;
    EXPECT_EQ(out, "") << c.name;
  }
}

}  // namespace
}  // namespace vex
