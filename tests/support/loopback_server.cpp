#include "support/loopback_server.h"

#include <sys/socket.h>

#include <chrono>
#include <cstdlib>

namespace vex::testing {

void KeepRequestsOnLoopback() {
  ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
  ::setenv("no_proxy", "127.0.0.1,localhost", 1);
  for (const char* name :
       {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    ::unsetenv(name);
  }
}

LoopbackServer::LoopbackServer() {
  server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++hits_[req.path];
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // A handler that hangs must not hold the test forever.
  server_.set_read_timeout(5, 0);
  server_.set_write_timeout(5, 0);
  // Idle kept-alive connections hold a worker; let them go soon so that
  // stopping the server does not wait long for a client that keeps them.
  server_.set_keep_alive_timeout(1);
  // Headers and body go out in separate writes; without this a reused
  // connection waits for the client's delayed acknowledgement (40 ms).
  server_.set_tcp_nodelay(true);
  server_.set_socket_options([this](socket_t sock) {
    httplib::default_socket_options(sock);
    listenSocket_ = sock;
  });
}

LoopbackServer::~LoopbackServer() {
  Stop();
}

int LoopbackServer::Start() {
  port_ = server_.bind_to_any_port("127.0.0.1");
  // The library listens with a backlog of 5; many connections at once would
  // see refused handshakes, retried by the client only a second later.
  if (port_ > 0 && listenSocket_ != INVALID_SOCKET) ::listen(listenSocket_, 128);
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // The socket is bound, so early requests queue; wait (bounded) for the
  // accept loop so that Stop() can always end it.
  for (int i = 0; i < 2000 && !server_.is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return port_;
}

void LoopbackServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  if (thread_.joinable()) {
    server_.stop();
    thread_.join();
  }
}

std::string LoopbackServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int LoopbackServer::Hits(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = hits_.find(path);
  return it == hits_.end() ? 0 : it->second;
}

void LoopbackServer::SetWorkerThreads(int count) {
  const auto n = static_cast<std::size_t>(count > 0 ? count : 1);
  server_.new_task_queue = [n] { return new httplib::ThreadPool(n); };
}

LoopbackServer::BusyGuard::BusyGuard(LoopbackServer& server) : server_(server) {
  const int now = ++server_.busy_;
  int seen = server_.maxBusy_.load();
  while (now > seen && !server_.maxBusy_.compare_exchange_weak(seen, now)) {
  }
}

LoopbackServer::BusyGuard::~BusyGuard() {
  --server_.busy_;
}

void LoopbackServer::HangUntilStopped(int maxMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  stopped_.wait_for(lock, std::chrono::milliseconds(maxMs), [this] { return stopping_; });
}

}  // namespace vex::testing
