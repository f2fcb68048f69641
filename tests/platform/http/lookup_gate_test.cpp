#include "platform/http/lookup_gate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vex::http {
namespace {

using D = LookupGate::Decision;

TEST(LookupGateTest, AddressesNeedNoLookup) {
  for (const char* host : {"127.0.0.1", "[::1]", "[2001:db8::5]", ""}) {
    SCOPED_TRACE(host);
    EXPECT_EQ(LookupGate(1).Ask(host), D::kGo);
  }
  for (const char* host : {"example.com", "localhost", "1.2.3.4.example", "999.1.1.1"}) {
    SCOPED_TRACE(host);
    EXPECT_FALSE(IsAddressLiteral(host));
  }
}

// Steps taken one after another on one gate of two lookups; each checks
// what the gate answers for a name after it.
TEST(LookupGateTest, LookupsOfANameAndOfAllNames) {
  struct Step {
    const char* what;
    enum { kStart, kFound, kNotFound, kAsk, kForget } op;
    const char* host;
    D expected = D::kGo;  // kAsk only
  };
  const std::vector<Step> steps = {
      {"a new name is looked up", Step::kAsk, "a.example", D::kGoLookingUp},
      {"", Step::kStart, "a.example"},
      {"its host's others wait for that lookup", Step::kAsk, "a.example", D::kWaitForName},
      {"another name may look up meanwhile", Step::kAsk, "b.example", D::kGoLookingUp},
      {"", Step::kStart, "b.example"},
      {"beyond two lookups at once names wait", Step::kAsk, "c.example", D::kWaitForRoom},
      {"", Step::kFound, "a.example"},
      {"a name found needs no lookup", Step::kAsk, "a.example", D::kGo},
      {"and its end made room", Step::kAsk, "c.example", D::kGoLookingUp},
      {"", Step::kNotFound, "b.example"},
      {"a name not found is looked up again", Step::kAsk, "b.example", D::kGoLookingUp},
      {"", Step::kStart, "b.example"},
      {"by its transfers side by side", Step::kAsk, "b.example", D::kGoLookingUp},
      {"", Step::kStart, "b.example"},
      {"within the limit", Step::kAsk, "b.example", D::kWaitForRoom},
      {"", Step::kFound, "b.example"},
      {"", Step::kNotFound, "b.example"},
      {"found once is found", Step::kAsk, "b.example", D::kGo},
      {"", Step::kForget, ""},
      {"a new cache knows no name", Step::kAsk, "a.example", D::kGoLookingUp},
  };
  LookupGate gate(2);
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    switch (s.op) {
      case Step::kStart:
        gate.Started(s.host);
        break;
      case Step::kFound:
        gate.Ended(s.host, true);
        break;
      case Step::kNotFound:
        gate.Ended(s.host, false);
        break;
      case Step::kAsk:
        EXPECT_EQ(gate.Ask(s.host), s.expected) << s.host;
        break;
      case Step::kForget:
        gate.Forget();
        break;
    }
  }
  EXPECT_EQ(gate.running(), 0);
}

}  // namespace
}  // namespace vex::http
