// curl's failures in the internet client's numbering (the ErrorCode values).
#pragma once

#include <curl/curl.h>

namespace vex::http {

// The stable mapping of a curl result code.
[[nodiscard]] int MapCurlCode(CURLcode code);

// The same, refined by what the ended transfer on `easy` tells: the kind of
// certificate failure, a connection reset by the peer.
[[nodiscard]] int ErrorCodeOf(CURL* easy, CURLcode code);

}  // namespace vex::http
