// A loopback HTTP server for tests: cpp-httplib on 127.0.0.1 and an ephemeral
// port, run on its own thread, stopped (and joined) by the destructor.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace vex::testing {

// Requests of this process go to 127.0.0.1 directly, never through a proxy
// named in the environment.
void KeepRequestsOnLoopback();

// The same for a whole test program, once it registers this environment.
class LoopbackOnlyEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { KeepRequestsOnLoopback(); }
};

class LoopbackServer {
 public:
  LoopbackServer();
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // Register routes on this before Start().
  httplib::Server& server() { return server_; }
  // Binds 127.0.0.1:ephemeral and starts serving; returns the port.
  int Start();
  void Stop();
  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + path
  std::string Url(const std::string& path) const;

  // Counting of requests per path (every request is counted).
  int Hits(const std::string& path) const;

  // Worker threads serving connections (before Start). Each kept-alive
  // connection holds one, so tests with many connections at once raise it.
  void SetWorkerThreads(int count);

  // Counting of handlers running at once: a handler holds the returned guard
  // while it works; MaxConcurrent() is the highest count seen.
  class BusyGuard {
   public:
    explicit BusyGuard(LoopbackServer& server);
    ~BusyGuard();
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

   private:
    LoopbackServer& server_;
  };
  BusyGuard Busy() { return BusyGuard(*this); }
  int MaxConcurrent() const { return maxBusy_.load(); }

  // For a handler that never answers: waits until the server stops (or
  // maxMs pass), so that stopping is never held up by it.
  void HangUntilStopped(int maxMs = 10000);

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  socket_t listenSocket_ = INVALID_SOCKET;
  mutable std::mutex mutex_;
  std::map<std::string, int> hits_;
  std::atomic<int> busy_{0};
  std::atomic<int> maxBusy_{0};
  std::condition_variable stopped_;
  bool stopping_ = false;  // guarded by mutex_
};

}  // namespace vex::testing
