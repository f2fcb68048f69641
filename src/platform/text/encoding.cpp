#include "platform/text/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <optional>

#include "platform/text/text.h"
#include "platform/text/utf8_lead.h"

namespace vex {

namespace {

struct IconvHandle {
  iconv_t cd = reinterpret_cast<iconv_t>(-1);
  IconvHandle(const std::string& to, const std::string& from)
      : cd(iconv_open(to.c_str(), from.c_str())) {}
  ~IconvHandle() {
    if (ok()) iconv_close(cd);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

bool TargetIsUnicode(const std::string& to) {
  std::string u = UpperAscii(to);
  return StartsWith(u, "UTF-8") || StartsWith(u, "UTF8");
}

// Length of the well-formed UTF-8 character at the front of `in`, 0 when there
// is none. Used to skip a whole character that the target set lacks, so it
// gets one substitute instead of one per byte.
std::size_t Utf8CharLength(std::string_view in) {
  if (in.empty()) return 0;
  const auto c = static_cast<unsigned char>(in[0]);
  if (c < 0x80) return 1;
  const std::optional<Utf8Lead> lead = Utf8LeadOf(c);
  if (!lead || lead->trail >= in.size()) return 0;
  const auto first = static_cast<unsigned char>(in[1]);
  if (first < lead->lo || first > lead->hi) return 0;
  for (std::size_t k = 2; k <= lead->trail; ++k) {
    if ((static_cast<unsigned char>(in[k]) & 0xC0) != 0x80) return 0;
  }
  return lead->trail + 1;
}

// Feeds `in` through iconv, appending to out; stops at the first invalid or
// incomplete sequence and reports it through `stoppedAt` (npos when done).
bool Feed(IconvHandle& h, std::string_view in, std::string& out, std::size_t& consumed, int& err) {
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  char buf[8192];
  err = 0;
  while (inLeft > 0) {
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    std::size_t r = iconv(h.cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buf, sizeof buf - outLeft);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      err = errno;
      break;
    }
  }
  if (err == 0) {
    // Flush any shift state (ISO-2022-JP).
    char* outPtr = buf;
    std::size_t outLeft = sizeof buf;
    iconv(h.cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buf, sizeof buf - outLeft);
  }
  consumed = in.size() - inLeft;
  return err == 0;
}

}  // namespace

bool ConvertCharset(std::string_view input, const std::string& from, const std::string& to,
                    std::string& out, OnInvalid onInvalid) {
  IconvHandle h(to, from);
  if (!h.ok()) return false;
  std::string result;
  result.reserve(input.size() + input.size() / 2);
  const std::string replacement = TargetIsUnicode(to) ? "\xEF\xBF\xBD" : "?";
  const bool fromUtf8 = TargetIsUnicode(from);
  std::size_t at = 0;
  while (at <= input.size()) {
    std::size_t consumed = 0;
    int err = 0;
    if (Feed(h, input.substr(at), result, consumed, err)) break;
    if (onInvalid == OnInvalid::Fail) return false;
    at += consumed;
    // An invalid or cut sequence: one replacement, skip one byte, go on. A
    // well-formed character that the target lacks is skipped whole.
    result += replacement;
    std::size_t whole = (fromUtf8 && err == EILSEQ) ? Utf8CharLength(input.substr(at)) : 0;
    at += whole > 0 ? whole : 1;
    iconv(h.cd, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    if (at >= input.size()) break;
  }
  out = std::move(result);
  return true;
}

bool IsKnownCharset(const std::string& name) {
  IconvHandle h("UTF-8", name);
  return h.ok();
}

std::vector<std::uint32_t> CodePointsOf(const std::vector<std::string>& characters,
                                        const std::string& charset) {
  IconvHandle h("UTF-32LE", charset);
  if (!h.ok()) return {};
  std::vector<std::uint32_t> result;
  result.reserve(characters.size());
  for (const std::string& character : characters) {
    iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(character.data());
    std::size_t inLeft = character.size();
    unsigned char out[8];
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    const std::size_t r = iconv(h.cd, &inPtr, &inLeft, &outPtr, &outLeft);
    if (r != static_cast<std::size_t>(-1)) {
      // A converter that holds a character back to combine it gives it now.
      iconv(h.cd, nullptr, nullptr, &outPtr, &outLeft);
    }
    const bool one = r != static_cast<std::size_t>(-1) && inLeft == 0 && sizeof out - outLeft == 4;
    result.push_back(one ? static_cast<std::uint32_t>(out[0] | out[1] << 8 | out[2] << 16 |
                                                      static_cast<std::uint32_t>(out[3]) << 24)
                         : 0);
  }
  return result;
}

}  // namespace vex
