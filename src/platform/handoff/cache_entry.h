// The web address kept inside a file of a browser's disk cache. Both caches
// store the request's key in the entry file itself:
// - Firefox (cache2/entries/<SHA1>): the data, then the metadata (a hash,
//   one 2-byte hash per 256 KiB chunk, a fixed big-endian header, the key and
//   its zero byte, the elements), and last a 4-byte big-endian offset of the
//   metadata. The key is tags ending in ",", then ":" and the address.
// - Chromium's simple cache (Cache_Data/<hash>_0, _1, _s): a header of magic
//   number, version, key length and key hash (little-endian), then the key.
//   A partitioned key is "1/0/_dk_" + sites + " " + the address.
#pragma once

#include <string>
#include <string_view>

namespace vex {

// The address in the key of a Firefox entry ("a,:http://h/x" -> "http://h/x"),
// empty when the key holds none.
std::string FirefoxCacheKeyAddress(std::string_view key);
// The address in a Chromium key: its last address ("1/0/_dk_https://a.example
// https://a.example https://a.example/x" -> "https://a.example/x").
std::string ChromiumCacheKeyAddress(std::string_view key);

// The address stored in the cache entry file at `path` (either cache), empty
// when the file cannot be read or is no cache entry. Reads only the parts of
// the file that hold the key.
std::string CacheEntryAddress(const std::string& path);

}  // namespace vex
