// The findings list the terminal program prints at the end of a run: page by
// page, every problem link with its mark, its address and the reason, in the
// run's language.
#pragma once

#include <string>

#include "context/run_results.h"

namespace vex::cli {

// A link worth a look: one with a problem flag (broken, timed out, doubtful
// anchor, jump, redirected) or a missing anchor. Links that only ask for
// authorisation are not problems.
[[nodiscard]] bool IsProblemLink(const LinkResult& link);

// Why a link got its mark, in the language of charMode: the HTTP status and
// its text, the client's error, the answer time of a slow answer, the address
// reached, the anchor; parts joined by "; ". Empty when nothing is known.
[[nodiscard]] std::string LinkReason(const LinkResult& link, int charMode);

// The text of an HTTP status: the reason phrase the server sent, else the
// usual one ("404 Not Found"); the number alone when neither is known.
[[nodiscard]] std::string StatusText(int status, const std::string& statusLine);

// The findings of the whole run, one block per page: a line with the target
// and its rating, then one indented line per problem link.
[[nodiscard]] std::string FindingsText(const RunResults& results, int charMode);

}  // namespace vex::cli
