#include "support/tls_loopback_server.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <chrono>
#include <cstdio>

namespace vex::testing {

namespace {

void AddExtension(X509* cert, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  if (X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value)) {
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
  }
}

}  // namespace

TlsLoopbackServer::TlsLoopbackServer() {
  key_ = EVP_EC_gen("P-256");
  cert_ = X509_new();
  X509_set_version(cert_, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert_), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert_), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert_), 24 * 3600);
  X509_NAME* name = X509_get_subject_name(cert_);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert_, name);
  X509_set_pubkey(cert_, key_);
  AddExtension(cert_, NID_subject_alt_name, "IP:127.0.0.1");
  X509_sign(cert_, key_, EVP_sha256());
  server_ = std::make_unique<httplib::SSLServer>(cert_, key_);
  server_->set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
    ++requests_;
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server_->set_keep_alive_timeout(1);
  server_->set_read_timeout(5, 0);
  server_->set_write_timeout(5, 0);
}

TlsLoopbackServer::~TlsLoopbackServer() {
  if (thread_.joinable()) {
    server_->stop();
    thread_.join();
  }
  server_.reset();
  X509_free(cert_);
  EVP_PKEY_free(key_);
}

int TlsLoopbackServer::Start() {
  port_ = server_->bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  for (int i = 0; i < 2000 && !server_->is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return port_;
}

std::string TlsLoopbackServer::Url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(port_) + path;
}

bool TlsLoopbackServer::WriteCertificate(const std::string& path) const {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  const bool written = PEM_write_X509(f, cert_) == 1;
  return std::fclose(f) == 0 && written;
}

}  // namespace vex::testing
