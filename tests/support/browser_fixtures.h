// Files laid out as the browsers write them, built by the tests themselves:
// cache entry files of Firefox and of Chromium's simple cache, and Firefox's
// LZ4-compressed session files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vex::testing {

// A Firefox cache2 entry: `dataSize` bytes of data, the metadata with the
// key (header of `version`: 1 without the flags field, 2 and 3 with it) and
// a few elements, and the metadata's offset at the end.
std::string FirefoxCacheEntryBytes(const std::string& key, std::size_t dataSize = 40,
                                   std::uint32_t version = 3);

// A Chromium simple-cache entry (the _0 file): header, key, some stream data.
std::string ChromiumCacheEntryBytes(const std::string& key, std::uint32_t version = 5);

// "mozLz40\0", the size (little-endian) and the text as one LZ4 block.
std::string MozLz4Bytes(const std::string& plain);

}  // namespace vex::testing
