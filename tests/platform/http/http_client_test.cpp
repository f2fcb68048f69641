#include "platform/http/http_client.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/system/clock.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

namespace vex::http {
namespace {

using testing::LoopbackServer;

// A proxy of the machine running the tests must not see loopback requests
// (nor the address that must fail to resolve).
[[maybe_unused]] ::testing::Environment* const kNoProxy =
    ::testing::AddGlobalTestEnvironment(new testing::LoopbackOnlyEnvironment);

void SleepRealMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A server whose "/slow" answers after 30 ms, counting the requests it holds at once.
void StartCountedSlow(LoopbackServer& counted) {
  counted.SetWorkerThreads(8);
  counted.server().Get("/slow", [&counted](const auto&, auto& res) {
    auto busy = counted.Busy();
    SleepRealMs(30);
    res.set_content("ok", "text/plain");
  });
  counted.Start();
}

Request Get(const std::string& url) {
  Request r;
  r.url = url;
  r.totalTimeoutMs = 3000;
  return r;
}

// A refused port: one that a server had and gave up.
int ClosedPort() {
  LoopbackServer gone;
  const int port = gone.Start();
  gone.Stop();
  return port;
}

// A listener on 127.0.0.1 that reads each request and then drops the
// connection: closed plainly, or reset.
class RudeServer {
 public:
  enum class Drop { kClose, kReset };
  explicit RudeServer(Drop drop) : drop_(drop) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd_, 16) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      return;
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~RudeServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    close(fd_);
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  void Serve() {
    for (int round = 0; round < 200 && !stop_; ++round) {
      pollfd listening{fd_, POLLIN, 0};
      if (poll(&listening, 1, 50) <= 0) continue;
      const int conn = accept(fd_, nullptr, nullptr);
      if (conn < 0) continue;
      pollfd incoming{conn, POLLIN, 0};
      char buffer[4096];
      if (poll(&incoming, 1, 1000) > 0) (void)!read(conn, buffer, sizeof buffer);
      if (drop_ == Drop::kReset) {
        linger abort{1, 0};
        setsockopt(conn, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
      }
      close(conn);
    }
  }

  Drop drop_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// An HTTPS server on 127.0.0.1 whose certificate signs itself (so no system
// store trusts it).
class SelfSignedServer {
 public:
  SelfSignedServer() {
    key_ = EVP_EC_gen("P-256");
    cert_ = X509_new();
    ASN1_INTEGER_set(X509_get_serialNumber(cert_), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert_), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert_), 3600);
    X509_NAME* name = X509_get_subject_name(cert_);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert_, name);
    X509_set_pubkey(cert_, key_);
    X509_sign(cert_, key_, EVP_sha256());
    server_ = std::make_unique<httplib::SSLServer>(cert_, key_);
    server_->Get("/", [](const auto&, auto& res) { res.set_content("secret", "text/plain"); });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int i = 0; i < 2000 && !server_->is_running(); ++i) SleepRealMs(1);
  }
  ~SelfSignedServer() {
    server_->stop();
    thread_.join();
    server_.reset();
    X509_free(cert_);
    EVP_PKEY_free(key_);
  }
  std::string Url() const { return "https://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  EVP_PKEY* key_ = nullptr;
  X509* cert_ = nullptr;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  int port_ = 0;
};

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& s = server_.server();
    for (int code : {200, 401, 404, 500}) {
      s.Get("/status/" + std::to_string(code), [code](const auto&, auto& res) {
        res.status = code;
        res.set_content("status page", "text/html");
      });
    }
    s.Get("/hop1", [](const auto&, auto& res) {
      res.set_header("X-Hop", "1");
      res.set_redirect("/hop2");
    });
    s.Get("/hop2", [](const auto&, auto& res) {
      res.set_header("X-Hop", "2");
      res.set_redirect("/final", 301);
    });
    s.Get("/final", [](const auto&, auto& res) {
      res.set_header("X-Final", "yes");
      res.set_content("arrived", "text/plain");
    });
    s.Get("/loop", [](const auto&, auto& res) { res.set_redirect("/loop"); });
    s.Get("/big",
          [](const auto&, auto& res) { res.set_content(std::string(5000, 'b'), "text/plain"); });
    s.Get("/echo-headers", [this](const auto& req, auto& res) {
      std::lock_guard<std::mutex> lock(mutex_);
      seenCacheControl_ = req.get_header_value("Cache-Control");
      seenPragma_ = req.get_header_value("Pragma");
      seenAgent_ = req.get_header_value("User-Agent");
      res.set_content("ok", "text/plain");
    });
    s.Get("/hang", [this](const auto&, auto& res) {
      server_.HangUntilStopped();
      res.set_content("late", "text/plain");
    });
    // Headers at once, then a body that never ends.
    s.Get("/endless", [this](const auto&, auto& res) {
      res.set_chunked_content_provider("text/plain", [this](std::size_t, httplib::DataSink& sink) {
        const std::string piece(1024, 'e');
        for (int i = 0; i < 2000 && sink.is_writable(); ++i) {
          if (!sink.write(piece.data(), piece.size())) return false;
          SleepRealMs(1);
        }
        return false;
      });
    });
    // Headers and a first piece of body, then silence.
    s.Get("/stall", [this](const auto&, auto& res) {
      res.set_chunked_content_provider("text/plain", [this](std::size_t, httplib::DataSink& sink) {
        sink.write("partial", 7);
        server_.HangUntilStopped();
        return false;
      });
    });
    s.Get("/port", [this](const auto& req, auto& res) {
      std::lock_guard<std::mutex> lock(mutex_);
      clientPorts_.insert(req.remote_port);
      res.set_content(std::string(2000, 'p'), "text/plain");
    });
    s.Get("/large",
          [](const auto&, auto& res) { res.set_content(std::string(1 << 20, 'l'), "text/plain"); });
    s.Get(R"(/n/(\d+))", [this](const auto& req, auto& res) {
      auto busy = server_.Busy();
      res.set_content(req.matches[1].str(), "text/plain");
    });
    server_.SetWorkerThreads(24);
    server_.Start();
  }

  LoopbackServer server_;
  std::mutex mutex_;
  std::string seenCacheControl_ = "(none)";
  std::string seenPragma_ = "(none)";
  std::string seenAgent_;
  std::set<int> clientPorts_;  // the client's ends of the connections used
  ManualClock clock_;
  // Declared after the server: its kept-alive connections close first.
  std::unique_ptr<Client> client_ = MakeCurlClient();
};

TEST_F(HttpClientTest, StatusCodesOfTheFinalResponse) {
  for (int code : {200, 401, 404, 500}) {
    SCOPED_TRACE(code);
    const std::string url = server_.Url("/status/" + std::to_string(code));
    Response r = Fetch(*client_, Get(url));
    EXPECT_EQ(r.error, kOk) << r.errorText;
    EXPECT_EQ(r.status, code);
    EXPECT_EQ(r.effectiveUrl, url);
    EXPECT_EQ(r.headers.rfind("HTTP/1.1 " + std::to_string(code), 0), 0u) << r.headers;
    EXPECT_EQ(r.body, "");
  }
}

TEST_F(HttpClientTest, RedirectsAreFollowedAndOnlyTheFinalHeaderBlockIsKept) {
  Request q = Get(server_.Url("/hop1"));
  q.maxBodyBytes = 100;
  Response r = Fetch(*client_, q);
  ASSERT_EQ(r.error, kOk) << r.errorText;
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.effectiveUrl, server_.Url("/final"));
  EXPECT_EQ(r.body, "arrived");
  EXPECT_EQ(server_.Hits("/hop1"), 1);
  EXPECT_EQ(server_.Hits("/hop2"), 1);
  EXPECT_EQ(server_.Hits("/final"), 1);

  EXPECT_EQ(r.headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << r.headers;
  EXPECT_NE(r.headers.find("\r\nX-Final: yes"), std::string::npos) << r.headers;
  EXPECT_EQ(r.headers.find("X-Hop"), std::string::npos) << r.headers;
  EXPECT_EQ(r.headers.find("Location"), std::string::npos) << r.headers;
  // Lines joined by CR LF; no empty last line, no bare line feeds.
  EXPECT_NE(r.headers.back(), '\n');
  EXPECT_EQ(r.headers.find("\r\n\r\n"), std::string::npos);
  for (std::size_t i = 0; i < r.headers.size(); ++i) {
    if (r.headers[i] == '\n') {
      EXPECT_EQ(r.headers[i - 1], '\r') << "at " << i;
    }
  }
  EXPECT_GE(r.headersAtMs, r.startedAtMs);
  EXPECT_GE(r.finishedAtMs, r.headersAtMs);
}

TEST_F(HttpClientTest, RedirectsNotFollowedWhenAskedAndBoundedOtherwise) {
  Request stay = Get(server_.Url("/hop1"));
  stay.followRedirects = false;
  Response r = Fetch(*client_, stay);
  EXPECT_EQ(r.error, kOk) << r.errorText;
  EXPECT_EQ(r.status, 302);
  EXPECT_EQ(r.effectiveUrl, server_.Url("/hop1"));
  EXPECT_NE(r.headers.find("\r\nLocation: /hop2"), std::string::npos) << r.headers;

  Request loop = Get(server_.Url("/loop"));
  loop.maxRedirects = 3;
  Response l = Fetch(*client_, loop);
  EXPECT_EQ(l.error, kRedirectLimit);
  EXPECT_FALSE(l.errorText.empty());
  EXPECT_EQ(server_.Hits("/loop"), 4);
}

TEST_F(HttpClientTest, BodyLimits) {
  struct Case {
    const char* name;
    std::size_t maxBodyBytes;
    std::size_t readPieceBytes;
    std::size_t expectedSize;
    bool cut;
  };
  const std::vector<Case> cases = {
      {"pieces of 500 above 999", 999, 500, 1000, true},
      {"pieces of 500 above 1000", 1000, 500, 1500, true},
      {"single bytes above 999", 999, 0, 1000, true},
      {"limit above the body", 10000, 500, 5000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Request q = Get(server_.Url("/big"));
    q.maxBodyBytes = c.maxBodyBytes;
    q.readPieceBytes = c.readPieceBytes;
    Response r = Fetch(*client_, q);
    EXPECT_EQ(r.error, kOk) << r.errorText;
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, std::string(c.expectedSize, 'b'));
    EXPECT_EQ(r.bodyCut, c.cut);
  }
}

TEST_F(HttpClientTest, NoBodyIsReadWhenNoneIsWanted) {
  // The body would take seconds to arrive; the transfer ends at the headers.
  Request q = Get(server_.Url("/endless"));
  q.totalTimeoutMs = 1500;
  Response r = Fetch(*client_, q);
  EXPECT_EQ(r.error, kOk) << r.errorText;
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "");
  EXPECT_FALSE(r.bodyCut);
  EXPECT_NE(r.headersAtMs, 0);
}

TEST_F(HttpClientTest, ConnectionsAreKeptAliveWithoutReadingTheBody) {
  // One transfer per host at a time: each finds the connection of the last.
  client_->SetLimits(16, 1);
  for (int i = 0; i < 5; ++i) {
    Response r = Fetch(*client_, Get(server_.Url("/port")));
    ASSERT_EQ(r.status, 200) << r.errorText;
    EXPECT_EQ(r.body, "");
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_EQ(clientPorts_.size(), 1u);
  }
  client_->ResetConnections();
  EXPECT_EQ(Fetch(*client_, Get(server_.Url("/port"))).status, 200);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_EQ(clientPorts_.size(), 2u);
  }
  // A large body is not read away: the transfer still ends at the headers.
  Response large = Fetch(*client_, Get(server_.Url("/large")));
  EXPECT_EQ(large.status, 200);
  EXPECT_EQ(large.body, "");
  EXPECT_EQ(client_->InFlight(), 0u);
}

TEST_F(HttpClientTest, AgentAndCacheHeaders) {
  Response plain = Fetch(*client_, Get(server_.Url("/echo-headers")));
  ASSERT_EQ(plain.error, kOk) << plain.errorText;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_EQ(seenAgent_, "MyApp");
    EXPECT_EQ(seenCacheControl_, "");
    EXPECT_EQ(seenPragma_, "");
  }
  Request q = Get(server_.Url("/echo-headers"));
  q.noCache = true;
  Response fresh = Fetch(*client_, q);
  ASSERT_EQ(fresh.error, kOk) << fresh.errorText;
  std::lock_guard<std::mutex> lock(mutex_);
  EXPECT_EQ(seenCacheControl_, "no-cache");
  EXPECT_EQ(seenPragma_, "no-cache");
}

TEST_F(HttpClientTest, FailuresGiveTheirCodes) {
  const int closed = ClosedPort();
  struct Case {
    const char* name;
    std::string url;
    int error;
  };
  const std::vector<Case> cases = {
      {"server never answers", server_.Url("/hang"), kTimeout},
      {"name not resolved", "http://nonexistent.invalid/", kNameNotResolved},
      {"port refused", "http://127.0.0.1:" + std::to_string(closed) + "/", kCannotConnect},
      {"TLS with a plain server", "https://127.0.0.1:" + std::to_string(server_.port()) + "/",
       kSecureFailure},
      {"scheme not supported", "gopher://127.0.0.1/", kUnrecognizedScheme},
      {"malformed address", "http://[nonsense/", kInvalidUrl},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Request q = Get(c.url);
    if (c.error == kTimeout) q.totalTimeoutMs = 300;
    Response r = Fetch(*client_, q);
    EXPECT_EQ(r.error, c.error) << r.errorText;
    EXPECT_FALSE(r.errorText.empty());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.headers, "");
  }
}

TEST_F(HttpClientTest, DroppedConnectionsAndUntrustedCertificates) {
  RudeServer closing(RudeServer::Drop::kClose);
  RudeServer resetting(RudeServer::Drop::kReset);
  SelfSignedServer untrusted;
  struct Case {
    const char* name;
    std::string url;
    int error;
  };
  const std::vector<Case> cases = {
      {"closed without an answer", closing.Url(), kInvalidServerResponse},
      {"reset by the server", resetting.Url(), kConnectionReset},
      {"certificate not trusted", untrusted.Url(), kSecureInvalidCa},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Response r = Fetch(*client_, Get(c.url));
    EXPECT_EQ(r.error, c.error) << r.errorText;
    EXPECT_FALSE(r.errorText.empty());
    EXPECT_EQ(r.status, 0);
  }
}

TEST_F(HttpClientTest, ConnectRetriesWaitForTheClock) {
  auto client = MakeCurlClient(clock_);
  Request q = Get("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/");
  q.connectRetries = 2;
  q.connectBackoffMs = 50;
  const TransferId id = client->Start(q);
  // The clock stands still: the first attempt fails and the retry waits.
  for (int i = 0; i < 5; ++i) client->Poll(5);
  EXPECT_FALSE(client->Done(id));
  EXPECT_EQ(client->InFlight(), 1u);
  for (int i = 0; i < 200 && !client->Done(id); ++i) {
    clock_.Advance(25);
    client->Poll(5);
  }
  ASSERT_TRUE(client->Done(id));
  Response r = client->Take(id);
  EXPECT_EQ(r.error, kCannotConnect);
  EXPECT_EQ(r.connectAttempts, 3);
  EXPECT_EQ(r.startedAtMs, 1'700'000'000'000);
  EXPECT_GE(r.finishedAtMs - r.startedAtMs, 100);

  Request once = q;
  once.connectRetries = 0;
  EXPECT_EQ(Fetch(*client, once).connectAttempts, 1);
}

TEST_F(HttpClientTest, StalledBodyEndsByTheClockWithWhatWasRead) {
  auto client = MakeCurlClient(clock_);
  Request q = Get(server_.Url("/stall"));
  q.maxBodyBytes = 100000;
  q.bodyTimeLimitMs = 1000;
  int polls = 0;
  Response r = Fetch(*client, q, [&] {
    if (++polls > 4) clock_.Advance(100);
  });
  EXPECT_EQ(r.error, kOk) << r.errorText;
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "partial");
  EXPECT_TRUE(r.bodyCut);
  EXPECT_GE(r.finishedAtMs - r.headersAtMs, 1000);
}

TEST_F(HttpClientTest, ManyTransfersAtOnce) {
  client_->SetLimits(16, 16);
  std::vector<TransferId> ids;
  for (int i = 0; i < 100; ++i) {
    Request q = Get(server_.Url("/n/" + std::to_string(i)));
    q.maxBodyBytes = 10;
    ids.push_back(client_->Start(q));
  }
  // (They move on by themselves: some may be done already.)
  EXPECT_LE(client_->InFlight(), 100u);
  for (int i = 0; i < 2000 && client_->InFlight() > 0; ++i) client_->Poll(20);
  ASSERT_EQ(client_->InFlight(), 0u);
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(client_->Done(ids[i]));
    Response r = client_->Take(ids[i]);
    EXPECT_EQ(r.error, kOk) << r.errorText;
    EXPECT_EQ(r.body, std::to_string(i));
  }
  EXPECT_LE(server_.MaxConcurrent(), 16);
  // Taken once only.
  EXPECT_EQ(client_->Take(ids[0]).error, kOperationCancelled);
}

// More new names than may be looked up at once, found (names under
// .localhost, which curl answers itself) and not found, several transfers to
// each: every transfer ends, and the names after them are looked up too.
TEST_F(HttpClientTest, TransfersToManyNewNamesAllEnd) {
  client_->SetLimits(32, 8);
  const std::string port = std::to_string(server_.port());
  auto url = [&](const std::string& host, int n) {
    return "http://" + host + ":" + port + "/n/" + std::to_string(n);
  };
  for (const char* round : {"first", "second"}) {
    SCOPED_TRACE(round);
    std::vector<std::pair<TransferId, int>> found;  // and the body expected
    std::vector<TransferId> missing;
    for (int i = 0; i < 12; ++i) {
      const std::string host = std::string(round) + std::to_string(i) + ".localhost";
      Request q = Get(url(host, i));
      q.maxBodyBytes = 10;
      for (int k = 0; k < 2; ++k) found.emplace_back(client_->Start(q), i);
      if (i < 2) {
        const std::string gone = std::string(round) + std::to_string(i) + ".nonexistent.invalid";
        for (int k = 0; k < 2; ++k) missing.push_back(client_->Start(Get(url(gone, i))));
      }
    }
    for (int i = 0; i < 1500 && client_->InFlight() > 0; ++i) client_->Poll(20);
    ASSERT_EQ(client_->InFlight(), 0u);
    for (const auto& [id, n] : found) {
      Response r = client_->Take(id);
      EXPECT_EQ(r.error, kOk) << r.errorText;
      EXPECT_EQ(r.body, std::to_string(n));
    }
    for (TransferId id : missing) EXPECT_EQ(client_->Take(id).error, kNameNotResolved);
  }
}

// Hosts told apart by their ports share the name: the second waits for the
// first one's lookup, and starts when it ends.
TEST_F(HttpClientTest, HostsOfOneNameWaitForItsLookup) {
  LoopbackServer other;
  other.server().Get("/", [](const auto&, auto& res) { res.set_content("b", "text/plain"); });
  other.Start();
  std::vector<TransferId> ids;
  for (int port : {server_.port(), other.port()}) {
    Request q = Get("http://same.localhost:" + std::to_string(port) + "/n/7");
    if (port == other.port()) q.url = "http://same.localhost:" + std::to_string(port) + "/";
    q.host = "same.localhost:" + std::to_string(port);  // as the prefetcher keys them
    q.maxBodyBytes = 10;
    ids.push_back(client_->Start(q));
  }
  for (int i = 0; i < 250 && client_->InFlight() > 0; ++i) client_->Poll(20);
  ASSERT_EQ(client_->InFlight(), 0u);
  EXPECT_EQ(client_->Take(ids[0]).body, "7");
  EXPECT_EQ(client_->Take(ids[1]).body, "b");
}

TEST_F(HttpClientTest, PerHostLimitHoldsTransfersBack) {
  struct Case {
    int perHost;
    int lowest;
    int highest;
  };
  for (const Case& c : {Case{1, 1, 1}, Case{3, 2, 3}}) {
    SCOPED_TRACE(c.perHost);
    LoopbackServer counted;
    StartCountedSlow(counted);
    auto client = MakeCurlClient();
    client->SetLimits(16, c.perHost);
    std::vector<TransferId> ids;
    for (int i = 0; i < 6; ++i) ids.push_back(client->Start(Get(counted.Url("/slow"))));
    for (int i = 0; i < 500 && client->InFlight() > 0; ++i) client->Poll(20);
    for (TransferId id : ids) EXPECT_EQ(client->Take(id).status, 200);
    EXPECT_GE(counted.MaxConcurrent(), c.lowest);
    EXPECT_LE(counted.MaxConcurrent(), c.highest);
    EXPECT_EQ(counted.Hits("/slow"), 6);
  }
}

TEST_F(HttpClientTest, QueuedTransferStartsWhenItGetsItsSlot) {
  auto client = MakeCurlClient(clock_);
  client->SetLimits(1, 1);
  const TransferId first = client->Start(Get(server_.Url("/n/1")));
  const TransferId second = client->Start(Get(server_.Url("/n/2")));
  for (int i = 0; i < 500 && client->InFlight() > 0; ++i) {
    client->Poll(10);
    clock_.Advance(1000);
  }
  Response a = client->Take(first);
  Response b = client->Take(second);
  ASSERT_EQ(a.error, kOk) << a.errorText;
  ASSERT_EQ(b.error, kOk) << b.errorText;
  EXPECT_EQ(a.startedAtMs, 1'700'000'000'000);
  EXPECT_GE(b.startedAtMs, a.finishedAtMs);
}

// Requests asked `first` go before the host's others, and keep among
// themselves the order they were asked in (a page's links handed over at once).
TEST_F(HttpClientTest, RequestsAskedFirstKeepTheirOrder) {
  LoopbackServer ordered;
  std::mutex mutex;
  std::vector<std::string> arrived;
  ordered.server().Get(R"(/o/(\w+))", [&](const httplib::Request& req, auto& res) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      arrived.push_back(req.matches[1]);
    }
    if (req.matches[1] == "hold") SleepRealMs(30);
    res.set_content("ok", "text/plain");
  });
  ordered.Start();
  auto client = MakeCurlClient();
  client->SetLimits(16, 1);
  std::vector<TransferId> ids;
  ids.push_back(client->Start(Get(ordered.Url("/o/hold"))));
  const auto holdArrived = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return !arrived.empty();
  };
  for (int i = 0; i < 200 && !holdArrived(); ++i) client->Poll(5);
  ASSERT_TRUE(holdArrived());
  for (const char* name : {"b1", "b2", "f1", "f2", "f3"}) {
    Request q = Get(ordered.Url(std::string("/o/") + name));
    q.first = name[0] == 'f';
    ids.push_back(client->Start(q));
  }
  for (int i = 0; i < 500 && client->InFlight() > 0; ++i) client->Poll(20);
  for (TransferId id : ids) EXPECT_EQ(client->Take(id).status, 200);
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(arrived, (std::vector<std::string>{"hold", "f1", "f2", "f3", "b1", "b2"}));
}

// A request to a host whose kept connection is busy with an answer that
// does not come opens another connection instead of waiting behind it.
TEST_F(HttpClientTest, RequestIsNotHeldBehindAnotherThatHangs) {
  const TransferId hanging = client_->Start(Get(server_.Url("/hang")));
  for (int i = 0; i < 200 && server_.Hits("/hang") == 0; ++i) client_->Poll(10);
  ASSERT_EQ(server_.Hits("/hang"), 1);
  const TransferId quick = client_->Start(Get(server_.Url("/n/8")));
  for (int i = 0; i < 200 && !client_->Done(quick); ++i) client_->Poll(20);
  EXPECT_EQ(client_->Take(quick).status, 200);
  EXPECT_FALSE(client_->Done(hanging));
  client_->Cancel(hanging);
}

// Transfers move on, and are timed, while the caller does not poll (it is
// busy parsing or writing pages): queued ones start as slots free, and an
// answer's time is read when it comes, not when the caller looks.
TEST_F(HttpClientTest, TransfersMoveOnAndAreTimedWithoutPolling) {
  auto client = MakeCurlClient(clock_);
  client->SetLimits(1, 1);
  std::vector<TransferId> ids;
  for (int i = 0; i < 3; ++i)
    ids.push_back(client->Start(Get(server_.Url("/n/" + std::to_string(i)))));
  for (int i = 0; i < 400 && !client->Done(ids.back()); ++i) SleepRealMs(5);
  ASSERT_TRUE(client->Done(ids.back()));
  clock_.Advance(4000);
  for (TransferId id : ids) {
    Response r = client->Take(id);
    EXPECT_EQ(r.status, 200) << r.errorText;
    EXPECT_EQ(r.ElapsedMs(), 0);
  }
}

// A host's share holds back the transfers asked within it (and all of them
// until its pause ends); others go up to the per-host limit. A transfer that
// ran beside another of its host says so.
TEST_F(HttpClientTest, HostShareAndPause) {
  LoopbackServer counted;
  StartCountedSlow(counted);
  auto client = MakeCurlClient(clock_);
  client->SetLimits(16, 4);
  client->SetHostShare("127.0.0.1", 1, clock_.NowMs() + 1000);
  std::vector<TransferId> ids;
  for (int i = 0; i < 3; ++i) {
    Request q = Get(counted.Url("/slow"));
    q.withinShare = true;
    ids.push_back(client->Start(q));
  }
  for (int i = 0; i < 5; ++i) client->Poll(5);
  EXPECT_EQ(counted.Hits("/slow"), 0) << "paused";
  clock_.Advance(1000);
  for (int i = 0; i < 500 && client->InFlight() > 0; ++i) client->Poll(20);
  for (TransferId id : ids) {
    Response r = client->Take(id);
    EXPECT_EQ(r.status, 200);
    EXPECT_FALSE(r.hostShared);
  }
  EXPECT_EQ(counted.MaxConcurrent(), 1);

  // Outside the share: side by side, and each knows it.
  client->SetHostShare("127.0.0.1", 0, 0);
  ids.clear();
  for (int i = 0; i < 2; ++i) ids.push_back(client->Start(Get(counted.Url("/slow"))));
  for (int i = 0; i < 500 && client->InFlight() > 0; ++i) client->Poll(20);
  for (TransferId id : ids) EXPECT_TRUE(client->Take(id).hostShared);
  EXPECT_EQ(counted.MaxConcurrent(), 2);
}

// A slow answer halves the host's share in the client at once: the host's
// next transfers do not start side by side before the caller has taken it.
TEST_F(HttpClientTest, SlowAnswerHalvesTheShareAtOnce) {
  LoopbackServer counted;
  StartCountedSlow(counted);  // 30 ms each
  for (const long halvingMs : {0L, 10L}) {
    SystemClock clock;
    auto client = MakeCurlClient(clock);
    client->SetLimits(16, 4);
    client->SetHostShare("127.0.0.1", 2, 0);
    std::vector<TransferId> ids;
    for (int i = 0; i < 4; ++i) {
      Request q = Get(counted.Url("/slow"));
      q.withinShare = true;
      q.shareHalvingMs = halvingMs;
      ids.push_back(client->Start(q));
    }
    for (int i = 0; i < 500 && client->InFlight() > 0; ++i) client->Poll(20);
    std::vector<bool> shared;
    for (TransferId id : ids) shared.push_back(client->Take(id).hostShared);
    // The first two go together either way; the last two only without halving.
    EXPECT_TRUE(shared[0] && shared[1]) << halvingMs;
    EXPECT_EQ(shared[2] && shared[3], halvingMs == 0) << halvingMs;
  }
}

TEST_F(HttpClientTest, CancelEndsTransfersAtOnce) {
  const TransferId hanging = client_->Start(Get(server_.Url("/hang")));
  const TransferId quick = client_->Start(Get(server_.Url("/n/7")));
  client_->Poll(10);
  client_->Cancel(hanging);
  EXPECT_TRUE(client_->Done(hanging));
  EXPECT_EQ(client_->Take(hanging).error, kOperationCancelled);
  for (int i = 0; i < 200 && !client_->Done(quick); ++i) client_->Poll(20);
  EXPECT_EQ(client_->Take(quick).status, 200);
  EXPECT_EQ(client_->InFlight(), 0u);

  // Running and queued alike.
  client_->SetLimits(2, 2);
  std::vector<TransferId> ids;
  for (int i = 0; i < 5; ++i) ids.push_back(client_->Start(Get(server_.Url("/hang"))));
  client_->Poll(10);
  EXPECT_EQ(client_->InFlight(), 5u);
  client_->CancelAll();
  EXPECT_EQ(client_->InFlight(), 0u);
  for (TransferId id : ids) EXPECT_TRUE(client_->Done(id));
  EXPECT_FALSE(client_->Poll(0));
  // The pool still works afterwards.
  EXPECT_EQ(Fetch(*client_, Get(server_.Url("/n/3"))).status, 200);
}

// Cancelled and taken while the pool's thread reads and writes their sockets
// (bodies still streaming, answers handed over at their headers and read
// away behind): each transfer ends once, and those taken have their answer.
TEST_F(HttpClientTest, CancelAndTakeWhileTransfersAreUnderWay) {
  client_->SetLimits(12, 12);
  std::set<TransferId> open;
  for (int i = 0; i < 60; ++i) {
    Request q;
    if (i % 3 == 0) {
      q = Get(server_.Url("/endless"));  // handed over at its headers
    } else if (i % 3 == 1) {
      q = Get(server_.Url("/big"));
      q.maxBodyBytes = 100000;
    } else {
      q = Get(server_.Url("/n/" + std::to_string(i)));
    }
    q.totalTimeoutMs = 5000;
    open.insert(client_->Start(q));
  }
  int taken = 0;
  for (int round = 0; round < 2000 && !open.empty(); ++round) {
    client_->Poll(1);
    for (auto it = open.begin(); it != open.end();) {
      if (client_->Done(*it)) {
        const Response r = client_->Take(*it);
        EXPECT_EQ(r.error, kOk) << r.errorText;
        EXPECT_EQ(r.status, 200);
        ++taken;
        it = open.erase(it);
      } else if ((*it + static_cast<TransferId>(round)) % 7 == 0) {
        client_->Cancel(*it);
        it = open.erase(it);
      } else {
        ++it;
      }
    }
  }
  EXPECT_TRUE(open.empty());
  EXPECT_GT(taken, 0);
  for (int i = 0; i < 5; ++i) client_->Poll(5);
  EXPECT_EQ(client_->InFlight(), 0u);
  EXPECT_FALSE(client_->Poll(0));
  EXPECT_EQ(Fetch(*client_, Get(server_.Url("/n/3"))).status, 200);
}

TEST_F(HttpClientTest, LocalFiles) {
  testing::TempDir dir;
  const std::string path = dir.Write("page.htm", "<html>local</html>");
  Request read;
  read.url = "file://" + path;
  read.maxBodyBytes = 1000;
  Response r = Fetch(*client_, read);
  EXPECT_EQ(r.error, kOk) << r.errorText;
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "<html>local</html>");
  EXPECT_EQ(r.effectiveUrl, "file://" + path);

  Request exists = read;
  exists.maxBodyBytes = 0;
  Response e = Fetch(*client_, exists);
  EXPECT_EQ(e.error, kOk) << e.errorText;
  EXPECT_EQ(e.status, 200);
  EXPECT_EQ(e.body, "");

  Request missing = read;
  missing.url = "file://" + dir / "missing.htm";
  Response m = Fetch(*client_, missing);
  EXPECT_EQ(m.error, kFileNotFound);
  EXPECT_EQ(m.status, 0);
}

}  // namespace
}  // namespace vex::http
