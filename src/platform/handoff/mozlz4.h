// Firefox's compressed JSON files (".jsonlz4", ".baklz4"): the header
// "mozLz40\0", the decompressed size as 4 bytes little-endian, then one LZ4
// block.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vex {

inline constexpr std::string_view kMozLz4Magic{"mozLz40\0", 8};

// Decompresses such a file's bytes into `out`. False when the header is
// missing, the block is damaged, or it does not decompress to exactly the
// size the header states; `out` is then empty.
[[nodiscard]] bool DecodeMozLz4(std::string_view bytes, std::string& out);

}  // namespace vex
