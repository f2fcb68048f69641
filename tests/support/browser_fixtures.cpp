#include "support/browser_fixtures.h"

#include <lz4.h>

namespace vex::testing {

namespace {

void PutBigEndian32(std::string& out, std::uint32_t v) {
  for (int k = 3; k >= 0; --k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
}
void PutLittleEndian(std::string& out, std::uint64_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
}

}  // namespace

std::string FirefoxCacheEntryBytes(const std::string& key, std::size_t dataSize,
                                   std::uint32_t version) {
  std::string out;
  for (std::size_t i = 0; i < dataSize; ++i) out += static_cast<char>('a' + i % 26);
  const auto offset = static_cast<std::uint32_t>(out.size());
  PutBigEndian32(out, 0x12345678);  // hash of the metadata
  const std::size_t chunks = (dataSize + 256 * 1024 - 1) / (256 * 1024);
  for (std::size_t c = 0; c < chunks; ++c) out += "\xAB\xCD";
  PutBigEndian32(out, version);
  PutBigEndian32(out, 7);           // fetch count
  PutBigEndian32(out, 1700000000);  // last fetched
  PutBigEndian32(out, 1700000000);  // last modified
  PutBigEndian32(out, 42);          // frecency
  PutBigEndian32(out, 0xFFFFFFFF);  // expiration
  PutBigEndian32(out, static_cast<std::uint32_t>(key.size()));
  if (version >= 2) PutBigEndian32(out, 0);  // flags
  out += key;
  out += '\0';
  static const char kElements[] = "request-method\0GET\0response-head\0HTTP/1.1 200 OK\r\n";
  out.append(kElements, sizeof kElements);  // with the final zero byte
  PutBigEndian32(out, offset);
  return out;
}

std::string ChromiumCacheEntryBytes(const std::string& key, std::uint32_t version) {
  std::string out;
  PutLittleEndian(out, 0xfcfb6d1ba7725c30ULL, 8);
  PutLittleEndian(out, version, 4);
  PutLittleEndian(out, key.size(), 4);
  PutLittleEndian(out, 0x9e3779b9, 4);  // key hash
  PutLittleEndian(out, 0, 4);           // padding of the header
  out += key;
  out += "HTTP/1.1 200 OK body of the stream";
  return out;
}

std::string MozLz4Bytes(const std::string& plain) {
  std::string out("mozLz40", 8);
  PutLittleEndian(out, plain.size(), 4);
  std::string block(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(plain.size()))),
                    '\0');
  int n = LZ4_compress_default(plain.data(), block.data(), static_cast<int>(plain.size()),
                               static_cast<int>(block.size()));
  block.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return out + block;
}

}  // namespace vex::testing
