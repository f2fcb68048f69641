// An HTTPS server for tests: cpp-httplib's SSL server on 127.0.0.1 and an
// ephemeral port, with a certificate for 127.0.0.1 made here that signs
// itself. No system store trusts it; its PEM file, named by SSL_CERT_FILE,
// makes the client trust it. Stopped (and joined) by the destructor.
#pragma once

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace vex::testing {

class TlsLoopbackServer {
 public:
  TlsLoopbackServer();
  ~TlsLoopbackServer();
  TlsLoopbackServer(const TlsLoopbackServer&) = delete;
  TlsLoopbackServer& operator=(const TlsLoopbackServer&) = delete;

  // Register routes on this before Start().
  httplib::Server& server() { return *server_; }
  // Binds 127.0.0.1:ephemeral and starts serving; returns the port.
  int Start();
  // "https://127.0.0.1:PORT" + path
  std::string Url(const std::string& path) const;
  // Writes the certificate as PEM to `path`; false when it cannot be written.
  bool WriteCertificate(const std::string& path) const;
  // Requests served so far (any path).
  int Requests() const { return requests_.load(); }

 private:
  EVP_PKEY* key_ = nullptr;
  X509* cert_ = nullptr;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  int port_ = 0;
  std::atomic<int> requests_{0};
};

}  // namespace vex::testing
