#include "platform/handoff/mozlz4.h"

#include <lz4.h>

#include <cstdint>
#include <limits>

namespace vex {

namespace {

constexpr std::size_t kHeaderSize = 12;
// A block cannot expand more than 255-fold; anything claiming more is damaged,
// and checking first keeps a forged size from allocating gigabytes.
constexpr std::uint64_t kMaxExpansion = 255;

}  // namespace

bool DecodeMozLz4(std::string_view bytes, std::string& out) {
  out.clear();
  if (bytes.size() < kHeaderSize || bytes.substr(0, kMozLz4Magic.size()) != kMozLz4Magic)
    return false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + kMozLz4Magic.size();
  std::uint32_t size = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                       std::uint32_t{p[3]} << 24;
  std::string_view block = bytes.substr(kHeaderSize);
  if (size > block.size() * kMaxExpansion + 16 ||
      size > static_cast<std::uint32_t>(std::numeric_limits<int>::max()) ||
      block.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    return false;
  if (size == 0) return block.size() == 1 && block[0] == 0;  // the empty block
  out.resize(size);
  int got = LZ4_decompress_safe(block.data(), out.data(), static_cast<int>(block.size()),
                                static_cast<int>(size));
  if (got != static_cast<int>(size)) {
    out.clear();
    return false;
  }
  return true;
}

}  // namespace vex
