#include "platform/handoff/cache_entry.h"

#include <cstdint>
#include <fstream>

namespace vex {

namespace {

constexpr std::uint64_t kSimpleCacheMagic = 0xfcfb6d1ba7725c30ULL;
// The header is a 64-bit magic and three 32-bit fields, padded to 8 bytes.
constexpr std::uint64_t kSimpleHeaderSize = 24;
// Longer keys than this are not written by either browser; a bigger length
// read from a file means it is something else.
constexpr std::uint64_t kMaxKeySize = 1u << 20;

constexpr std::uint64_t kFirefoxChunkSize = 256 * 1024;

std::uint32_t BigEndian32(const std::string& b, std::size_t at) {
  auto u = [&](std::size_t k) { return std::uint32_t{static_cast<unsigned char>(b[at + k])}; };
  return u(0) << 24 | u(1) << 16 | u(2) << 8 | u(3);
}

std::uint64_t LittleEndian(const std::string& b, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int k = bytes - 1; k >= 0; --k) v = v << 8 | static_cast<unsigned char>(b[at + k]);
  return v;
}

bool IsSchemeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '-' || c == '.';
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Whether s begins with a scheme and its ":".
bool StartsWithScheme(std::string_view s) {
  if (s.empty() || !IsLetter(s[0])) return false;
  std::size_t i = 1;
  while (i < s.size() && IsSchemeChar(s[i])) ++i;
  return i < s.size() && s[i] == ':';
}

bool ReadAt(std::ifstream& in, std::uint64_t at, std::uint64_t n, std::string& out) {
  out.assign(static_cast<std::size_t>(n), '\0');
  in.clear();
  in.seekg(static_cast<std::streamoff>(at));
  in.read(out.data(), static_cast<std::streamsize>(n));
  return static_cast<std::uint64_t>(in.gcount()) == n;
}

std::string FirefoxEntryAddress(std::ifstream& in, std::uint64_t fileSize) {
  std::string b;
  if (fileSize < 4 || !ReadAt(in, fileSize - 4, 4, b)) return {};
  const std::uint64_t meta = BigEndian32(b, 0);
  const std::uint64_t chunks = (meta + kFirefoxChunkSize - 1) / kFirefoxChunkSize;
  const std::uint64_t header = meta + 4 + 2 * chunks;
  // Version and the seven fields after it, as far as the key size.
  if (header + 28 > fileSize - 4 || !ReadAt(in, header, 28, b)) return {};
  const std::uint32_t version = BigEndian32(b, 0);
  const std::uint64_t keySize = BigEndian32(b, 24);
  // Version 1 had no flags field; 2 and 3 add it. Other versions are unknown.
  if (version < 1 || version > 3) return {};
  const std::uint64_t keyAt = header + (version >= 2 ? 32 : 28);
  if (keySize == 0 || keySize > kMaxKeySize || keyAt + keySize + 1 > fileSize - 4) return {};
  if (!ReadAt(in, keyAt, keySize + 1, b) || b.back() != '\0') return {};
  b.pop_back();
  if (b.find('\0') != std::string::npos) return {};
  return FirefoxCacheKeyAddress(b);
}

std::string ChromiumEntryAddress(std::ifstream& in, std::uint64_t fileSize) {
  std::string b;
  if (fileSize < kSimpleHeaderSize || !ReadAt(in, 0, kSimpleHeaderSize, b)) return {};
  if (LittleEndian(b, 0, 8) != kSimpleCacheMagic) return {};
  const std::uint64_t keySize = LittleEndian(b, 12, 4);
  if (keySize == 0 || keySize > kMaxKeySize || kSimpleHeaderSize + keySize > fileSize) return {};
  if (!ReadAt(in, kSimpleHeaderSize, keySize, b)) return {};
  return ChromiumCacheKeyAddress(b);
}

}  // namespace

std::string FirefoxCacheKeyAddress(std::string_view key) {
  // The tags never hold a ":" after a ","; the address is what follows the
  // first ":" that opens the key or closes the tags and starts a scheme.
  for (std::size_t i = key.find(':'); i != std::string_view::npos; i = key.find(':', i + 1)) {
    if (i != 0 && key[i - 1] != ',') continue;
    std::string_view rest = key.substr(i + 1);
    if (StartsWithScheme(rest)) return std::string(rest);
  }
  return {};
}

std::string ChromiumCacheKeyAddress(std::string_view key) {
  std::size_t space = key.find_last_of(' ');
  std::string_view last = space == std::string_view::npos ? key : key.substr(space + 1);
  // Prefixes such as "1/0/" or "_dk_" may be glued to the address; the
  // address starts at the scheme before its first ":".
  std::size_t colon = last.find(':');
  if (colon == std::string_view::npos) return {};
  std::size_t start = colon;
  while (start > 0 && IsSchemeChar(last[start - 1])) --start;
  while (start < colon && !IsLetter(last[start])) ++start;
  if (start == colon) return {};
  return std::string(last.substr(start));
}

std::string CacheEntryAddress(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  in.seekg(0, std::ios::end);
  std::streamoff end = in.tellg();
  if (end <= 0) return {};
  const auto size = static_cast<std::uint64_t>(end);
  // The magic number is unmistakable, so the simple cache is asked first.
  std::string address = ChromiumEntryAddress(in, size);
  if (address.empty()) address = FirefoxEntryAddress(in, size);
  return address;
}

}  // namespace vex
