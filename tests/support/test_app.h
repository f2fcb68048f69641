// An App for tests: scripted front end, manual clock and an HTTP client that
// refuses every transfer (tests that need the network start a loopback server
// and bring a real client).
#pragma once

#include "context/app.h"
#include "platform/http/http_client.h"
#include "platform/system/clock.h"
#include "support/scripted_front_end.h"

namespace vex::testing {

class RefusingHttpClient final : public http::Client {
 public:
  http::TransferId Start(const http::Request&) override { return ++last_; }
  bool Poll(int) override { return true; }
  bool Done(http::TransferId) const override { return true; }
  http::Response Take(http::TransferId) override {
    http::Response r;
    r.error = http::kCannotConnect;
    r.errorText = "no network in this test";
    return r;
  }
  void Cancel(http::TransferId) override {}
  void CancelAll() override {}
  std::size_t InFlight() const override { return 0; }
  void SetLimits(int, int) override {}

 private:
  http::TransferId last_ = 0;
};

// A client for code that never goes on the network: every transfer is done
// at once, with an empty response.
class OfflineHttpClient final : public http::Client {
 public:
  http::TransferId Start(const http::Request&) override { return 0; }
  bool Poll(int) override { return false; }
  bool Done(http::TransferId) const override { return true; }
  http::Response Take(http::TransferId) override { return {}; }
  void Cancel(http::TransferId) override {}
  void CancelAll() override {}
  std::size_t InFlight() const override { return 0; }
  void SetLimits(int, int) override {}
};

struct TestApp {
  ManualClock clock;
  ScriptedFrontEnd ui{clock};
  RefusingHttpClient http;
  App app{ui, clock, http};
};

}  // namespace vex::testing
