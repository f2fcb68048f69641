// A loopback HTTP server for tests: cpp-httplib on 127.0.0.1 and an ephemeral
// port, run on its own thread, stopped (and joined) by the destructor.
#pragma once

#include <httplib.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace vex::testing {

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

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::map<std::string, int> hits_;
};

}  // namespace vex::testing
