// Address resolution: base and reference (split at the first line break),
// and the file address forms.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/html/url_resolve.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\n');
  const std::string_view base = input.substr(0, cut);
  const std::string_view reference =
      cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
  const std::string resolved = vex::ResolveUrl(base, reference);
  (void)vex::ResolveUrl(resolved, reference);
  (void)vex::PathFromFileUrl(resolved);
  if (!reference.empty() && reference.front() == '/') {
    (void)vex::PathFromFileUrl(vex::FileUrlFromPath(reference));
  }
  return 0;
}
