#include "platform/http/lookup_gate.h"

#include <arpa/inet.h>

#include <algorithm>

namespace vex::http {

bool IsAddressLiteral(const std::string& host) {
  if (!host.empty() && host.front() == '[') return true;  // IPv6, as written in an address
  in_addr v4{};
  return inet_pton(AF_INET, host.c_str(), &v4) == 1;
}

LookupGate::Decision LookupGate::Ask(const std::string& host) const {
  if (host.empty() || IsAddressLiteral(host) || found_.count(host) != 0) return Decision::kGo;
  const auto busy = lookingUp_.find(host);
  if (busy != lookingUp_.end() && unfound_.count(host) == 0) return Decision::kWaitForName;
  return running_ < max_ ? Decision::kGoLookingUp : Decision::kWaitForRoom;
}

void LookupGate::Started(const std::string& host) {
  ++running_;
  ++lookingUp_[host];
}

void LookupGate::Ended(const std::string& host, bool found) {
  running_ = std::max(running_ - 1, 0);
  auto busy = lookingUp_.find(host);
  if (busy != lookingUp_.end() && --busy->second <= 0) lookingUp_.erase(busy);
  if (found) {
    found_.insert(host);
    unfound_.erase(host);
  } else if (found_.count(host) == 0) {
    unfound_.insert(host);
  }
}

void LookupGate::Forget() {
  found_.clear();
  unfound_.clear();
}

}  // namespace vex::http
