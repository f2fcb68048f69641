// An HTTP client for browser tests: answers from a table of responses after
// a given number of polls, and records what was asked.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/http/http_client.h"

namespace vex::testing {

class FakeHttpClient : public http::Client {
 public:
  // The response for an address, ready after `polls` calls of Poll.
  void Serve(const std::string& url, http::Response response, int polls = 1) {
    if (response.effectiveUrl.empty()) response.effectiveUrl = url;
    routes_[url] = {std::move(response), polls};
  }

  http::TransferId Start(const http::Request& request) override {
    requests.push_back(request);
    http::TransferId id = ++lastId_;
    Transfer t;
    auto route = routes_.find(request.url);
    if (route == routes_.end()) {
      t.response.error = http::kNameNotResolved;
      t.pollsLeft = 1;
    } else {
      t.response = route->second.response;
      t.pollsLeft = route->second.polls;
    }
    transfers_[id] = t;
    return id;
  }
  bool Poll(int) override {
    ++polls;
    bool finished = false;
    for (auto& [id, t] : transfers_) {
      if (t.pollsLeft > 0 && --t.pollsLeft == 0) finished = true;
    }
    return finished;
  }
  bool Done(http::TransferId id) const override {
    auto t = transfers_.find(id);
    return t != transfers_.end() && t->second.pollsLeft == 0;
  }
  http::Response Take(http::TransferId id) override {
    http::Response r = transfers_.at(id).response;
    transfers_.erase(id);
    return r;
  }
  void Cancel(http::TransferId id) override {
    ++cancelled;
    transfers_.erase(id);
  }
  void CancelAll() override { transfers_.clear(); }
  std::size_t InFlight() const override { return transfers_.size(); }
  void SetLimits(int, int) override {}

  std::vector<http::Request> requests;
  int polls = 0;
  int cancelled = 0;

 private:
  struct Route {
    http::Response response;
    int polls = 1;
  };
  struct Transfer {
    http::Response response;
    int pollsLeft = 1;
  };
  std::map<std::string, Route> routes_;
  std::map<http::TransferId, Transfer> transfers_;
  http::TransferId lastId_ = 0;
};

}  // namespace vex::testing
