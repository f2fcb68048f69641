// Which transfers of the pool may look their host name up now. A name
// server asked many questions at once drops some of them (a burst of 32 was
// enough on a test machine), and the names it did not answer would be judged
// missing or timed out only for having been asked together. So lookups are
// kept to a few at once, as a browser keeps them, and a name is looked up
// by one transfer until it is found; the host's other transfers then take it
// from the shared cache.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace vex::http {

inline constexpr int kMaxLookups = 8;

// Whether a host (as in an address: a name, "1.2.3.4" or "[::1]") is an
// address that needs no lookup.
bool IsAddressLiteral(const std::string& host);

class LookupGate {
 public:
  enum class Decision {
    kGo,           // nothing to look up: an address, or a name found before
    kGoLookingUp,  // may start, and looks the name up (call Started)
    kWaitForName,  // the name's first lookup is under way
    kWaitForRoom,  // as many lookups as allowed are under way
  };

  explicit LookupGate(int maxLookups = kMaxLookups) : max_(maxLookups) {}

  Decision Ask(const std::string& host) const;
  // A transfer told kGoLookingUp started.
  void Started(const std::string& host);
  // Its lookup ended: `found` when the name gave an address (or the
  // transfer went on to a connection).
  void Ended(const std::string& host, bool found);
  // Names found are forgotten with the cache that held them.
  void Forget();

  int running() const { return running_; }

 private:
  int max_;
  int running_ = 0;
  std::unordered_set<std::string> found_;
  // Names whose first lookup ended without an address: their transfers look
  // up side by side (within the limit), not one after another.
  std::unordered_set<std::string> unfound_;
  std::unordered_map<std::string, int> lookingUp_;
};

}  // namespace vex::http
