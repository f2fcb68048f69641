// Benchmark of whole checks by the terminal program.
//
// Scenario "site": a generated site is served on 127.0.0.1 (pages with
// navigation links, links between pages with fragments that exist and that
// do not, a shared pool of good, missing, redirected and unauthorised
// resources, and slow addresses: 2 % of the links, each its own address). A
// batch file of all its pages is checked twice, each time with a fresh
// settings folder: once with PARALLEL=1 (one transfer after another) and once
// with the default settings. Every mark of the result pages is compared with
// the mark the generator knows each link must get.
//
// Scenario "serial": a server that serves one request at a time (others wait
// in its queue) holds two pages, one whose links answer after 4.0 s and one
// whose links answer after 1.6 s, among quick ones. Checked with PARALLEL=1
// and with the defaults: the marks and titles must be the same, and the
// defaults no slower.
//
// With --before PATH, the site and serial runs at the defaults are repeated
// with another build of the terminal program (the previous version), in the
// same session, on the same servers.
//
// Scenario "big": one local page of about 7 MB with 100,000 links to local
// files (some of them missing), checked as a local file target.
//
// For each run: wall time, CPU time and peak memory of the child process
// (wait4), links per second, CPU per link, and the marks that agree.
//
//   build/bench_link_bench [--pages N] [--links N] [--slow-ms N]
//                          [--serial-links N] [--keep-alive N]
//                          [--only site|serial|big] [--cli PATH]
//                          [--before PATH] [--timeout S]
#include <fcntl.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/text/line_list.h"
#include "settings/settings_file.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// --- options ------------------------------------------------------------------

struct Options {
  int pages = 200;
  int links = 50;
  int slowMs = 200;
  int serialLinks = 5;
  // Requests the site's server answers on one connection before it closes
  // it (the server library's own default is 5; many web servers allow 100).
  int keepAlive = 5;
  std::string only;  // "", "site", "serial" or "big"
  std::string cli;
  std::string before;
  int timeoutS = 900;
  int bigLinks = 100000;
  int bigFiles = 10000;
};

void Usage() {
  std::fputs(
      "usage: bench_link_bench [--pages N] [--links N] [--slow-ms N] [--serial-links N]\n"
      "                        [--keep-alive N] [--only site|serial|big] [--cli PATH]\n"
      "                        [--before PATH] [--timeout S]\n"
      "  --pages N    pages of the generated site (default 200, 6..900)\n"
      "  --links N    links per page (default 50, 8..2000)\n"
      "  --slow-ms N  answer delay of the slow addresses (default 200, 0..20000)\n"
      "  --serial-links N  slow links per page of the one-at-a-time server (default 5, 0..50)\n"
      "  --keep-alive N  requests the site's server answers per connection (default 5, 1..1000)\n"
      "  --only X     run only the site, the one-at-a-time server or the big local page\n"
      "  --cli PATH   the terminal program (default: vexalorn-cli beside this program)\n"
      "  --before PATH  a previous build of the terminal program, run at its defaults too\n"
      "  --timeout S  limit of one run in seconds; the child is killed after it (default 900)\n",
      stderr);
}

bool ReadInt(const char* text, int low, int high, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high) return false;
  out = static_cast<int>(v);
  return true;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") return false;
    if (i + 1 >= argc) {
      std::fprintf(stderr, "missing value after %s\n", a.c_str());
      return false;
    }
    const char* v = argv[++i];
    bool ok = true;
    if (a == "--pages") {
      ok = ReadInt(v, 6, 900, o.pages);
    } else if (a == "--links") {
      ok = ReadInt(v, 8, 2000, o.links);
    } else if (a == "--slow-ms") {
      ok = ReadInt(v, 0, 20000, o.slowMs);
    } else if (a == "--serial-links") {
      ok = ReadInt(v, 0, 50, o.serialLinks);
    } else if (a == "--keep-alive") {
      ok = ReadInt(v, 1, 1000, o.keepAlive);
    } else if (a == "--timeout") {
      ok = ReadInt(v, 1, 3600, o.timeoutS);
    } else if (a == "--only") {
      o.only = v;
      ok = o.only == "site" || o.only == "serial" || o.only == "big";
    } else if (a == "--cli") {
      o.cli = v;
    } else if (a == "--before") {
      o.before = v;
    } else {
      std::fprintf(stderr, "unknown option %s\n", a.c_str());
      return false;
    }
    if (!ok) {
      std::fprintf(stderr, "bad value for %s: %s\n", a.c_str(), v);
      return false;
    }
  }
  return true;
}

std::string DefaultCli() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("vexalorn-cli") : (self.parent_path() / "vexalorn-cli").string();
}

// --- small helpers ------------------------------------------------------------------

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string Num(int n, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*d", width, n);
  return buf;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A folder under the system's temporary folder, removed with everything in
// it when the benchmark ends.
class TempFolder {
 public:
  TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vex_link_bench_XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) != nullptr) path_ = buf.data();
  }
  ~TempFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// --- the generated site ---------------------------------------------------------------

// What a link points at; every kind has one mark it must get.
enum class Kind {
  Nav,
  Page,
  PageAnchorFound,
  PageAnchorMissing,
  Good,
  Slow,
  Broken,
  Redirect,
  RedirectAnchorFound,
  RedirectAnchorMissing,
  Auth,
  Count
};

const char* KindName(Kind k) {
  static const char* const names[] = {"navigation",
                                      "page of the site",
                                      "page#fragment (exists)",
                                      "page#fragment (missing)",
                                      "good resource",
                                      "slow resource",
                                      "broken (404)",
                                      "redirect 301/302",
                                      "redirect to page#frag (exists)",
                                      "redirect to page#frag (missing)",
                                      "authorisation (401)"};
  return names[static_cast<int>(k)];
}

struct Resource {
  int status = 200;
  std::string contentType = "text/html; charset=utf-8";
  std::string body;
  std::string location;  // for redirects
  int delayMs = 0;
};

struct LinkTruth {
  Kind kind = Kind::Page;
  std::string href;     // as written in the page
  std::string address;  // as the checked page resolves it
  std::string mark;     // the mark it must get
};

struct SitePage {
  std::string path;
  std::vector<LinkTruth> links;
};

struct Site {
  std::string origin;  // http://127.0.0.1:PORT
  std::string batchName = "site.bchk";
  std::map<std::string, Resource> resources;
  std::vector<SitePage> pages;
  int distinctSlow = 0;
};

const char* const kSections[] = {"overview", "details", "examples", "notes"};
const char* const kMissingFragments[] = {"changelog", "legacy-api", "old-faq"};
const char* const kNavPaths[] = {"/", "/about.html", "/contact.html", "/sitemap.html",
                                 "/news.html"};
const char* const kNavTexts[] = {"Home", "About us", "Contact", "Site map", "News"};
constexpr int kNavLinks = 5;
constexpr int kGoodPool = 300;
constexpr int kBrokenPool = 60;
constexpr int kRedirectPool = 40;
constexpr int kRedirectPagePool = 20;
constexpr int kAuthPool = 12;
constexpr double kSlowShare = 0.02;

// The mark of a slow answer: the program's bands at 3000 and 15000 ms.
std::string SlowMark(int ms) {
  if (ms < 3000) return "(OK)";
  if (ms <= 15000) return "(ok)";
  return "(?\?)";
}

std::string PagePath(int i) {
  if (i < kNavLinks) return i == 0 ? "/index.html" : kNavPaths[i];
  return "/docs/p" + Num(i, 3) + ".html";
}

std::string GoodPath(int i) {
  switch (i % 3) {
    case 0:
      return "/res/doc" + Num(i, 3) + ".html";
    case 1:
      return "/img/photo" + Num(i, 3) + ".jpg";
    default:
      return "/files/report" + Num(i, 3) + ".pdf";
  }
}

std::string HtmlDocument(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
         "</title>\n</head>\n<body>\n" + body + "</body>\n</html>\n";
}

// The site's pages and resources, and for every link instance its mark.
Site MakeSite(const Options& o, int port) {
  Site site;
  site.origin = "http://127.0.0.1:" + std::to_string(port);
  std::mt19937 rng(20240917u);
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

  // Shared pool of resources.
  for (int i = 0; i < kGoodPool; ++i) {
    Resource r;
    if (i % 3 == 1) {
      r.contentType = "image/jpeg";
      r.body = std::string(600 + i, 'j');
    } else if (i % 3 == 2) {
      r.contentType = "application/pdf";
      r.body = "%PDF-1.4\n" + std::string(900 + i, 'p');
    } else {
      r.body = HtmlDocument("Document " + std::to_string(i), "<p>Reference material.</p>\n");
    }
    site.resources[GoodPath(i)] = r;
  }
  for (int i = 0; i < kBrokenPool; ++i) {
    Resource r;
    r.status = 404;
    r.body = HtmlDocument("Not here", "<p>This page has gone.</p>\n");
    site.resources["/old/page" + Num(i, 3) + ".html"] = r;
  }
  for (int i = 0; i < kRedirectPool; ++i) {
    Resource r;
    r.status = i % 2 == 0 ? 301 : 302;
    r.location = GoodPath((i * 7 + 3) % kGoodPool);
    r.body = "<p>Moved.</p>";
    site.resources["/go/link" + Num(i, 3)] = r;
  }
  for (int i = 0; i < kRedirectPagePool; ++i) {
    Resource r;
    r.status = 301;
    r.location = PagePath(kNavLinks + (i * 13) % (o.pages - kNavLinks));
    r.body = "<p>Moved.</p>";
    site.resources["/moved/article" + Num(i, 3) + ".html"] = r;
  }
  for (int i = 0; i < kAuthPool; ++i) {
    Resource r;
    r.status = 401;
    r.body = HtmlDocument("Members only", "<p>Please sign in.</p>\n");
    site.resources["/members/area" + Num(i, 3) + ".html"] = r;
  }
  const long long totalLinks = static_cast<long long>(o.pages) * o.links;
  const long long totalSlow = std::llround(static_cast<double>(totalLinks) * kSlowShare);
  // Every slow link has an address of its own, as on real sites: probing
  // an address once per run does not hide the waiting.
  site.distinctSlow = static_cast<int>(totalSlow);
  for (int i = 0; i < site.distinctSlow; ++i) {
    Resource r;
    r.delayMs = o.slowMs;
    r.body = HtmlDocument("Live report " + std::to_string(i), "<p>Figures of today.</p>\n");
    site.resources["/reports/live" + std::to_string(i) + ".html"] = r;
  }

  // Weighted kinds of the body links (slow ones are placed separately).
  struct Weight {
    Kind kind;
    int weight;
  };
  const Weight weights[] = {
      {Kind::Page, 34},
      {Kind::PageAnchorFound, 10},
      {Kind::PageAnchorMissing, 4},
      {Kind::Good, 30},
      {Kind::Broken, 8},
      {Kind::Redirect, 6},
      {Kind::Auth, 4},
      {Kind::RedirectAnchorFound, 2},
      {Kind::RedirectAnchorMissing, 1},
  };
  int weightSum = 0;
  for (const Weight& w : weights) weightSum += w.weight;
  auto pickKind = [&]() {
    int r = pick(weightSum);
    for (const Weight& w : weights) {
      if (r < w.weight) return w.kind;
      r -= w.weight;
    }
    return Kind::Page;
  };

  const std::string slowMark = SlowMark(o.slowMs);
  long long slowSoFar = 0;
  for (int p = 0; p < o.pages; ++p) {
    SitePage page;
    page.path = PagePath(p);
    for (int k = 0; k < kNavLinks; ++k) {
      page.links.push_back({Kind::Nav, kNavPaths[k], site.origin + kNavPaths[k], "(OK)"});
    }
    // The slow share is spread evenly over the pages.
    const long long slowDue =
        std::llround(static_cast<double>(static_cast<long long>(p + 1) * o.links) * kSlowShare);
    const int slowHere = static_cast<int>(slowDue - slowSoFar);
    const int bodyLinks = o.links - kNavLinks;
    std::vector<LinkTruth> body;
    for (int k = 0; k < bodyLinks - slowHere; ++k) {
      LinkTruth l;
      l.kind = pickKind();
      switch (l.kind) {
        case Kind::Page:
          l.href = PagePath(pick(o.pages));
          l.mark = "(OK)";
          break;
        case Kind::PageAnchorFound:
          l.href = PagePath(pick(o.pages)) + "#" + kSections[pick(4)];
          l.mark = "#OK#";
          break;
        case Kind::PageAnchorMissing:
          l.href = PagePath(pick(o.pages)) + "#" + kMissingFragments[pick(3)];
          l.mark = "#NG#";
          break;
        case Kind::Good:
          l.href = GoodPath(pick(kGoodPool));
          l.mark = "(OK)";
          break;
        case Kind::Broken:
          l.href = "/old/page" + Num(pick(kBrokenPool), 3) + ".html";
          l.mark = "(NG)";
          break;
        case Kind::Redirect:
          l.href = "/go/link" + Num(pick(kRedirectPool), 3);
          l.mark = "R-(OK)";
          break;
        case Kind::RedirectAnchorFound:
          l.href =
              "/moved/article" + Num(pick(kRedirectPagePool), 3) + ".html#" + kSections[pick(4)];
          l.mark = "R-#OK#";
          break;
        case Kind::RedirectAnchorMissing:
          l.href = "/moved/article" + Num(pick(kRedirectPagePool), 3) + ".html#" +
                   kMissingFragments[pick(3)];
          l.mark = "R-#NG#";
          break;
        case Kind::Auth:
          l.href = "/members/area" + Num(pick(kAuthPool), 3) + ".html";
          l.mark = "(Auth)";
          break;
        default:
          break;
      }
      l.address = site.origin + l.href;
      body.push_back(l);
    }
    for (int s = 0; s < slowHere; ++s, ++slowSoFar) {
      LinkTruth l;
      l.kind = Kind::Slow;
      l.href = "/reports/live" + std::to_string(slowSoFar) + ".html";
      l.address = site.origin + l.href;
      l.mark = slowMark;
      body.insert(body.begin() + pick(static_cast<int>(body.size()) + 1), l);
    }
    page.links.insert(page.links.end(), body.begin(), body.end());
    site.pages.push_back(std::move(page));
  }

  // The pages' markup: navigation, four sections with paragraphs and lists.
  for (int p = 0; p < o.pages; ++p) {
    const SitePage& page = site.pages[static_cast<std::size_t>(p)];
    std::string b;
    auto link = [&](std::size_t n, const std::string& text) {
      return "<a href=\"" + page.links[n].href + "\">" + text + " [" + std::to_string(n) + "]</a>";
    };
    b += "<header>\n<nav>\n<ul class=\"menu\">\n";
    for (std::size_t n = 0; n < kNavLinks && n < page.links.size(); ++n) {
      b += "<li>" + link(n, kNavTexts[n]) + "</li>\n";
    }
    b += "</ul>\n</nav>\n</header>\n<main>\n<h1>Bench page #" + std::to_string(p) + " </h1>\n";
    const std::size_t first = kNavLinks;
    const std::size_t count = page.links.size() - first;
    for (std::size_t s = 0; s < 4; ++s) {
      const std::size_t from = first + count * s / 4;
      const std::size_t to = first + count * (s + 1) / 4;
      b += "<h2 id=\"" + std::string(kSections[s]) + "\">Section " + kSections[s] + "</h2>\n";
      const std::size_t inText = from + (to - from) / 2;
      b += "<p>This part of the guide explains the topic in some detail. ";
      for (std::size_t n = from; n < inText; ++n) {
        b += "See " + link(n, "item " + std::to_string(n)) + " for more. ";
      }
      b += "</p>\n<ul>\n";
      for (std::size_t n = inText; n < to; ++n) {
        b += "<li>" + link(n, "Reference " + std::to_string(n)) + " - a short description</li>\n";
      }
      b += "</ul>\n";
    }
    b += "</main>\n<footer><p>Generated for the benchmark.</p></footer>\n";
    Resource r;
    r.body = HtmlDocument("Bench page #" + std::to_string(p) + " - a guide", b);
    if (p == 0) site.resources["/"] = r;
    site.resources[page.path] = r;
  }
  return site;
}

// --- the server ------------------------------------------------------------------------

class SiteServer {
 public:
  // `oneAtATime`: one worker and one request per connection, so requests
  // sent together wait in the server's queue and are answered one by one.
  explicit SiteServer(const std::map<std::string, Resource>* resources, bool oneAtATime = false,
                      int keepAlive = 5)
      : resources_(resources) {
    const std::size_t workers = oneAtATime ? 1 : 64;
    server_.new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
    server_.set_keep_alive_max_count(oneAtATime ? 1 : keepAlive);
    server_.set_read_timeout(5, 0);
    server_.set_write_timeout(5, 0);
    server_.set_keep_alive_timeout(2);
    // Headers and body go out in separate writes; without this a reused
    // connection waits for the client's delayed acknowledgement.
    server_.set_tcp_nodelay(true);
    server_.set_socket_options([this](socket_t sock) {
      httplib::default_socket_options(sock);
      listenSocket_ = sock;
    });
    server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      ++requests_;
      const auto it = resources_->find(req.path);
      if (it == resources_->end()) {
        res.status = 404;
        res.set_content("<p>Not found</p>", "text/html");
        return;
      }
      const Resource& r = it->second;
      if (r.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(r.delayMs));
      res.status = r.status;
      if (!r.location.empty()) res.set_header("Location", r.location);
      if (r.status == 401) res.set_header("WWW-Authenticate", "Basic realm=\"members\"");
      res.set_content(r.body, r.contentType.c_str());
    });
  }
  ~SiteServer() { Stop(); }
  SiteServer(const SiteServer&) = delete;
  SiteServer& operator=(const SiteServer&) = delete;

  // Binds 127.0.0.1 on a free port; 0 on failure.
  int Bind() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    // The library's backlog of 5 would refuse many connections at once.
    if (port_ > 0 && listenSocket_ != INVALID_SOCKET) ::listen(listenSocket_, 128);
    return port_ > 0 ? port_ : 0;
  }
  void Start() {
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    for (int i = 0; i < 2000 && !server_.is_running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  void Stop() {
    if (thread_.joinable()) {
      server_.stop();
      thread_.join();
    }
  }
  long requests() const { return requests_.load(); }

 private:
  const std::map<std::string, Resource>* resources_;
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  socket_t listenSocket_ = INVALID_SOCKET;
  std::atomic<long> requests_{0};
};

// --- the child run ----------------------------------------------------------------------

struct ChildRun {
  bool started = false;
  bool killed = false;  // over the time limit
  int exitCode = -1;    // -1: ended by a signal
  double wallS = 0;
  double cpuS = 0;
  double peakMb = 0;
};

bool DroppedFromChildEnvironment(const std::string& entry) {
  static const char* const names[] = {
      "VEXALORN_HOME", "VEXALORN_HOME_SITE", "VEXALORN_DIAG", "http_proxy",
      "HTTP_PROXY",    "https_proxy",        "HTTPS_PROXY",   "all_proxy",
      "ALL_PROXY",     "no_proxy",           "NO_PROXY"};
  for (const char* n : names) {
    const std::string prefix = std::string(n) + "=";
    if (entry.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

// Runs the program with stdin from /dev/null and its output into files, in
// `cwd`, with VEXALORN_HOME=home; kills it after `limitS` seconds.
ChildRun RunChild(const std::string& exe, const std::vector<std::string>& args,
                  const std::string& home, const std::string& cwd, const std::string& outPath,
                  const std::string& errPath, int limitS) {
  ChildRun run;
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (!DroppedFromChildEnvironment(*e)) env.emplace_back(*e);
  }
  env.push_back("VEXALORN_HOME=" + home);
  // Every request goes straight to 127.0.0.1, never through a proxy.
  env.emplace_back("no_proxy=127.0.0.1,localhost");
  env.emplace_back("NO_PROXY=127.0.0.1,localhost");
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStore;
  argStore.push_back(exe);
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argStore) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());

  const auto start = Clock::now();
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", exe.c_str(), std::strerror(rc));
    return run;
  }
  run.started = true;

  int status = 0;
  rusage usage{};
  const auto deadline = start + std::chrono::seconds(limitS);
  // Woken by the child's end itself, so the wall time is not rounded up to
  // the next look; without a pidfd, a look every 5 ms.
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  while (true) {
    const pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) break;
    if (Clock::now() > deadline) {
      run.killed = true;
      kill(pid, SIGKILL);
      while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
      }
      break;
    }
    if (pidfd >= 0) {
      pollfd ended{pidfd, POLLIN, 0};
      (void)poll(&ended, 1, 1000);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  run.wallS = std::chrono::duration<double>(Clock::now() - start).count();
  if (pidfd >= 0) close(pidfd);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  run.cpuS = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// The process that starts the runs. The kernel counts the memory of the
// process a child is started from into the child's peak (it records the
// old image's high-water mark when the child replaces it), so runs are
// started from a helper forked at the beginning, while this program is
// still small, not from the program that holds the site and the big page.
class Runner {
 public:
  // Forks the helper; call before any thread is started.
  bool Start() {
    int toRunner[2];
    int fromRunner[2];
    if (pipe(toRunner) != 0) return false;
    if (pipe(fromRunner) != 0) {
      close(toRunner[0]);
      close(toRunner[1]);
      return false;
    }
    std::fflush(stdout);
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      close(toRunner[1]);
      close(fromRunner[0]);
      Serve(toRunner[0], fromRunner[1]);
      _exit(0);
    }
    close(toRunner[0]);
    close(fromRunner[1]);
    to_ = toRunner[1];
    from_ = fromRunner[0];
    return true;
  }
  ~Runner() {
    if (to_ >= 0) close(to_);  // the helper ends at the end of its input
    if (from_ >= 0) close(from_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  Runner() = default;
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  ChildRun Run(const std::string& exe, const std::vector<std::string>& args,
               const std::string& home, const std::string& cwd, const std::string& outPath,
               const std::string& errPath, int limitS) {
    std::vector<std::string> request{exe, home, cwd, outPath, errPath, std::to_string(limitS)};
    request.insert(request.end(), args.begin(), args.end());
    ChildRun run;
    if (!WriteStrings(to_, request) || !ReadAll(from_, &run, sizeof run)) return ChildRun{};
    return run;
  }

 private:
  static bool WriteAll(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
      const ssize_t w = write(fd, p, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      p += w;
      n -= static_cast<std::size_t>(w);
    }
    return true;
  }
  static bool ReadAll(int fd, void* data, std::size_t n) {
    char* p = static_cast<char*>(data);
    while (n > 0) {
      const ssize_t r = read(fd, p, n);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;
      p += r;
      n -= static_cast<std::size_t>(r);
    }
    return true;
  }
  static bool WriteStrings(int fd, const std::vector<std::string>& strings) {
    const std::uint32_t count = static_cast<std::uint32_t>(strings.size());
    if (!WriteAll(fd, &count, sizeof count)) return false;
    for (const std::string& s : strings) {
      const std::uint32_t size = static_cast<std::uint32_t>(s.size());
      if (!WriteAll(fd, &size, sizeof size) || !WriteAll(fd, s.data(), s.size())) return false;
    }
    return true;
  }
  static bool ReadStrings(int fd, std::vector<std::string>& strings) {
    std::uint32_t count = 0;
    if (!ReadAll(fd, &count, sizeof count) || count > 1000) return false;
    strings.assign(count, std::string());
    for (std::string& s : strings) {
      std::uint32_t size = 0;
      if (!ReadAll(fd, &size, sizeof size) || size > (1u << 20)) return false;
      s.resize(size);
      if (size > 0 && !ReadAll(fd, s.data(), size)) return false;
    }
    return true;
  }
  static void Serve(int in, int out) {
    std::vector<std::string> q;
    while (ReadStrings(in, q) && q.size() >= 6) {
      const std::vector<std::string> args(q.begin() + 6, q.end());
      const ChildRun run = RunChild(q[0], args, q[1], q[2], q[3], q[4], std::atoi(q[5].c_str()));
      if (!WriteAll(out, &run, sizeof run)) return;
    }
  }

  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
};

// A fresh settings folder: the program's default settings as a run leaves
// them (stamped with the current layout version, so that the runs measured
// are not the first run after an upgrade, which rewrites the file and syncs
// it to disk), English texts and ASCII marks, and the extra [OPT] keys given.
bool MakeHome(const std::string& home,
              const std::vector<std::pair<std::string, std::string>>& opt) {
  std::error_code ec;
  fs::create_directories(home, ec);
  if (ec) return false;
  vex::LineList image;
  vex::WriteDefaultSettings(image);
  vex::SetEntry(image, "OPT", "VER", std::string(vex::kSettingsVersion));
  vex::SetEntry(image, "OPT", "CHAR", "1");
  for (const auto& [key, value] : opt) vex::SetEntry(image, "OPT", key, value);
  return vex::SaveLines(home + "/vexalorn.ini", image, true);
}

// The result pages the program listed on stdout; the work folder's numbered
// pages when it listed none.
std::vector<std::string> ResultPages(const std::string& stdoutPath, const std::string& home) {
  std::vector<std::string> pages;
  std::istringstream in(ReadFile(stdoutPath));
  const std::string label = "Result page: ";
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, label.size(), label) == 0) pages.push_back(line.substr(label.size()));
  }
  if (!pages.empty()) return pages;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(home + "/vex_TEMP", ec)) {
    const std::string name = e.path().filename().string();
    if (name.size() == 7 && name.substr(3) == ".htm" && name != "000.htm") {
      pages.push_back(e.path().string());
    }
  }
  std::sort(pages.begin(), pages.end());
  return pages;
}

// --- reading the marks ------------------------------------------------------------------

struct FoundLink {
  bool marked = false;
  std::string mark;
  std::string address;  // from the mark's title, after "A:"
};

std::string DecodeEntities(std::string s) {
  static const std::pair<const char*, const char*> entities[] = {
      {"&amp;", "&"}, {"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&#39;", "'"}};
  for (const auto& [from, to] : entities) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 1)) {
      s.replace(at, std::strlen(from), to);
    }
  }
  return s;
}

// Every A element of a result page: the number its text carries ("[n]"),
// its mark and the address the mark names. Links without a number (the
// header block's) are counted in `unnumberedMarked` when they carry a mark.
std::map<int, FoundLink> ReadMarks(const std::string& page, int& unnumberedMarked) {
  std::map<int, FoundLink> found;
  const std::string lower = Lower(page);
  std::size_t at = 0;
  while ((at = lower.find("<a", at)) != std::string::npos) {
    const char next = at + 2 < lower.size() ? lower[at + 2] : '\0';
    if (next != ' ' && next != '>' && next != '\n' && next != '\t') {
      at += 2;
      continue;
    }
    const std::size_t open = lower.find('>', at);
    const std::size_t close = open == std::string::npos ? open : lower.find("</a>", open);
    if (close == std::string::npos) break;
    const std::string inner = page.substr(open + 1, close - open - 1);
    const std::string innerLower = lower.substr(open + 1, close - open - 1);
    at = close + 4;

    FoundLink link;
    const std::size_t u = innerLower.find("<u ");
    if (u != std::string::npos) {
      const std::size_t uEnd = innerLower.find('>', u);
      const std::size_t uClose = uEnd == std::string::npos ? uEnd : innerLower.find("</u>", uEnd);
      if (uClose != std::string::npos) {
        link.marked = true;
        link.mark = DecodeEntities(inner.substr(uEnd + 1, uClose - uEnd - 1));
        const std::string tag = inner.substr(u, uEnd - u);
        const std::size_t q1 = tag.find('"');
        const std::size_t q2 = q1 == std::string::npos ? q1 : tag.find('"', q1 + 1);
        if (q2 != std::string::npos) {
          std::string title = DecodeEntities(tag.substr(q1 + 1, q2 - q1 - 1));
          if (title.compare(0, 2, "A:") == 0) title.erase(0, 2);
          link.address = title;
        }
      }
    }
    const std::size_t lb = inner.rfind('[');
    const std::size_t rb = lb == std::string::npos ? lb : inner.find(']', lb);
    int number = -1;
    if (rb != std::string::npos && rb > lb + 1) {
      const std::string digits = inner.substr(lb + 1, rb - lb - 1);
      if (digits.find_first_not_of("0123456789") == std::string::npos) {
        number = std::atoi(digits.c_str());
      }
    }
    if (number < 0) {
      if (link.marked) ++unnumberedMarked;
      continue;
    }
    found[number] = link;
  }
  return found;
}

// The number of the site page a result page was made from, from its title.
int PageNumberOf(const std::string& page) {
  const std::string key = "Bench page #";
  const std::size_t at = page.find(key);
  if (at == std::string::npos) return -1;
  return std::atoi(page.c_str() + at + key.size());
}

struct Agreement {
  long agreeing = 0;
  long total = 0;
  int unnumberedMarked = 0;
  std::vector<std::string> disagreements;  // the first few
  std::map<std::string, long> byCause;     // "kind: expected -> got"
};

void Compare(const std::vector<LinkTruth>& truth, const std::map<int, FoundLink>& found,
             const std::string& where, Agreement& a) {
  for (std::size_t n = 0; n < truth.size(); ++n) {
    const LinkTruth& t = truth[n];
    ++a.total;
    const auto it = found.find(static_cast<int>(n));
    std::string got;
    if (it == found.end()) {
      got = "(link missing from the result)";
    } else if (!it->second.marked) {
      got = "(no mark)";
    } else if (it->second.address != t.address) {
      got = it->second.mark + " for address " + it->second.address;
    } else if (it->second.mark == t.mark) {
      ++a.agreeing;
      continue;
    } else {
      got = it->second.mark;
    }
    ++a.byCause[std::string(KindName(t.kind)) + ": " + t.mark + " -> " + got];
    if (a.disagreements.size() < 10) {
      a.disagreements.push_back(where + " link " + std::to_string(n) + " " + t.href +
                                ": expected " + t.mark + ", got " + got);
    }
  }
}

void PrintAgreement(const Agreement& a) {
  std::printf("  marks agreeing: %ld / %ld\n", a.agreeing, a.total);
  if (a.unnumberedMarked > 0) {
    std::printf("  marks on links outside the page's own links: %d\n", a.unnumberedMarked);
  }
  if (a.agreeing == a.total) return;
  std::printf("  disagreements by kind:\n");
  for (const auto& [cause, n] : a.byCause) std::printf("    %6ld  %s\n", n, cause.c_str());
  std::printf("  first disagreements:\n");
  for (const std::string& d : a.disagreements) std::printf("    %s\n", d.c_str());
}

void PrintRunFailure(const ChildRun& run, const std::string& errPath, int limitS) {
  if (!run.started) {
    std::printf("  the program did not start\n");
    return;
  }
  if (run.killed) std::printf("  KILLED after the limit of %d s\n", limitS);
  if (run.exitCode < 0 || run.exitCode > 1) {
    std::printf("  exit status %d; last lines of its stderr (%s):\n", run.exitCode,
                errPath.c_str());
    std::istringstream in(ReadFile(errPath));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    for (std::size_t i = lines.size() > 5 ? lines.size() - 5 : 0; i < lines.size(); ++i) {
      std::printf("    %s\n", lines[i].c_str());
    }
  }
}

// --- the scenarios ----------------------------------------------------------------------

struct SiteRunFigures {
  bool ok = false;
  double wallS = 0;
  double cpuS = 0;
  double peakMb = 0;
  long agreeing = 0;
  long total = 0;
  // Per page of the site, in its order: the title of its result page and
  // the marks of its links ("-" for none).
  std::vector<std::string> titles;
  std::vector<std::vector<std::string>> marks;
};

std::string TitleOf(const std::string& page) {
  const std::string lower = Lower(page);
  const std::size_t open = lower.find("<title>");
  const std::size_t close = open == std::string::npos ? open : lower.find("</title>", open);
  if (close == std::string::npos) return {};
  return DecodeEntities(page.substr(open + 7, close - open - 7));
}

SiteRunFigures RunSiteOnce(Runner& runner, const Options& o, const std::string& cli,
                           const Site& site, SiteServer& server, const std::string& folder,
                           const std::string& name,
                           const std::vector<std::pair<std::string, std::string>>& opt,
                           long links) {
  SiteRunFigures f;
  const std::string home = folder + "/home-" + name;
  if (!MakeHome(home, opt)) {
    std::printf("%s: cannot write the settings in %s\n", name.c_str(), home.c_str());
    return f;
  }
  const std::string out = folder + "/" + name + ".out";
  const std::string err = folder + "/" + name + ".err";
  const long requestsBefore = server.requests();
  const ChildRun run =
      runner.Run(cli, {"-s:1", folder + "/" + site.batchName}, home, folder, out, err, o.timeoutS);
  const long requests = server.requests() - requestsBefore;

  std::printf("\n[%s]\n", name.c_str());
  PrintRunFailure(run, err, o.timeoutS);
  if (!run.started) return f;
  std::printf("  wall %.2f s   CPU %.2f s   peak %.1f MB   %.0f links/s   %.1f us CPU per link\n",
              run.wallS, run.cpuS, run.peakMb, static_cast<double>(links) / run.wallS,
              run.cpuS * 1e6 / static_cast<double>(links));
  std::printf("  requests served: %ld   exit status %d\n", requests, run.exitCode);

  Agreement a;
  f.titles.assign(site.pages.size(), "(no result page)");
  f.marks.resize(site.pages.size());
  std::vector<bool> seen(site.pages.size(), false);
  for (const std::string& path : ResultPages(out, home)) {
    const std::string page = ReadFile(path);
    const int p = PageNumberOf(page);
    if (p < 0 || p >= static_cast<int>(site.pages.size()) || seen[static_cast<std::size_t>(p)]) {
      continue;
    }
    const auto at = static_cast<std::size_t>(p);
    seen[at] = true;
    const std::map<int, FoundLink> found = ReadMarks(page, a.unnumberedMarked);
    Compare(site.pages[at].links, found, site.pages[at].path, a);
    f.titles[at] = TitleOf(page);
    for (std::size_t n = 0; n < site.pages[at].links.size(); ++n) {
      const auto it = found.find(static_cast<int>(n));
      f.marks[at].push_back(it != found.end() && it->second.marked ? it->second.mark : "-");
    }
  }
  int missingPages = 0;
  for (std::size_t p = 0; p < site.pages.size(); ++p) {
    if (seen[p]) continue;
    ++missingPages;
    Compare(site.pages[p].links, {}, site.pages[p].path + " (no result page)", a);
  }
  if (missingPages > 0) std::printf("  pages without a result page: %d\n", missingPages);
  PrintAgreement(a);
  f.ok = !run.killed && run.exitCode >= 0 && run.exitCode <= 1;
  f.wallS = run.wallS;
  f.cpuS = run.cpuS;
  f.peakMb = run.peakMb;
  f.agreeing = a.agreeing;
  f.total = a.total;
  return f;
}

// Where two runs gave different marks or titles, the first few.
void PrintDifferences(const Site& site, const SiteRunFigures& x, const SiteRunFigures& y,
                      const char* xName, const char* yName) {
  int shown = 0;
  long differing = 0;
  for (std::size_t p = 0; p < site.pages.size() && p < x.marks.size() && p < y.marks.size(); ++p) {
    if (x.titles[p] != y.titles[p]) {
      ++differing;
      if (shown++ < 10) {
        std::printf("    %s title: %s: \"%s\", %s: \"%s\"\n", site.pages[p].path.c_str(), xName,
                    x.titles[p].c_str(), yName, y.titles[p].c_str());
      }
    }
    for (std::size_t n = 0; n < x.marks[p].size() && n < y.marks[p].size(); ++n) {
      if (x.marks[p][n] == y.marks[p][n]) continue;
      ++differing;
      if (shown++ < 10) {
        std::printf("    %s link %zu %s: %s %s, %s %s\n", site.pages[p].path.c_str(), n,
                    site.pages[p].links[n].href.c_str(), xName, x.marks[p][n].c_str(), yName,
                    y.marks[p][n].c_str());
      }
    }
  }
  if (differing == 0) {
    std::printf("  marks and titles: the same with %s and %s\n", xName, yName);
  } else {
    std::printf("  marks and titles: %ld differ between %s and %s\n", differing, xName, yName);
  }
}

void PrintSummaryLine(const char* name, const SiteRunFigures& f, long links) {
  if (!f.ok) {
    std::printf("  %-22s (failed)\n", name);
    return;
  }
  std::printf("  %-22s %7.2f s %7.2f s %7.1f MB %8.1f us %7ld / %ld\n", name, f.wallS, f.cpuS,
              f.peakMb, f.cpuS * 1e6 / static_cast<double>(links), f.agreeing, f.total);
}

void PrintSummaryHead() {
  std::printf("  %-22s %9s %9s %10s %11s  %s\n", "run", "wall", "CPU", "peak", "CPU/link",
              "marks agreeing");
}

void PrintComposition(const Options& o, const Site& site) {
  long counts[static_cast<int>(Kind::Count)] = {};
  std::map<std::string, int> distinct[static_cast<int>(Kind::Count)];
  std::map<std::string, int> all;
  std::map<std::string, int> slowPages;
  long links = 0;
  for (const SitePage& page : site.pages) {
    std::map<std::string, int> slowHere;
    for (const LinkTruth& l : page.links) {
      ++links;
      ++counts[static_cast<int>(l.kind)];
      ++distinct[static_cast<int>(l.kind)][l.address];
      ++all[l.address];
      if (l.kind == Kind::Slow) slowHere[l.address] = 1;
    }
    for (const auto& [address, one] : slowHere) slowPages[address] += one;
  }
  std::printf("site: %d pages x %d links = %ld links, served on %s (%d requests per connection)\n",
              o.pages, o.links, links, site.origin.c_str(), o.keepAlive);
  std::printf("  %-34s %8s %9s  %s\n", "kind", "links", "addresses", "mark");
  for (int k = 0; k < static_cast<int>(Kind::Count); ++k) {
    if (counts[k] == 0) continue;
    const Kind kind = static_cast<Kind>(k);
    std::string mark;
    for (const SitePage& page : site.pages) {
      for (const LinkTruth& l : page.links) {
        if (l.kind == kind) mark = l.mark;
      }
    }
    std::printf("  %-34s %8ld %9zu  %s\n", KindName(kind), counts[k], distinct[k].size(),
                mark.c_str());
  }
  int minPages = 0;
  int maxPages = 0;
  for (const auto& [address, n] : slowPages) {
    minPages = minPages == 0 ? n : std::min(minPages, n);
    maxPages = std::max(maxPages, n);
  }
  std::map<std::string, int> withoutFragment;
  for (const auto& [address, n] : all) ++withoutFragment[address.substr(0, address.find('#'))];
  std::printf("  distinct addresses: %zu with fragments counted apart, %zu without fragments\n",
              all.size(), withoutFragment.size());
  std::printf(
      "  slow: %ld links (%.1f %%) to %zu addresses answering after %d ms, each linked "
      "from %d to %d pages\n",
      counts[static_cast<int>(Kind::Slow)],
      100.0 * static_cast<double>(counts[static_cast<int>(Kind::Slow)]) /
          static_cast<double>(links),
      slowPages.size(), o.slowMs, minPages, maxPages);
}

// The figures of the runs of one scenario: this program one request at a
// time and at its defaults, and the previous build at its defaults.
struct ScenarioRuns {
  SiteRunFigures one;
  SiteRunFigures defaults;
  SiteRunFigures before;
};

ScenarioRuns RunBoth(Runner& runner, const Options& o, const Site& site, SiteServer& server,
                     const std::string& folder, const std::string& prefix) {
  std::string batch = "[vexalorn batch file]\n";
  for (const SitePage& page : site.pages) batch += site.origin + page.path + "\n";
  ScenarioRuns r;
  if (!WriteFile(folder + "/" + site.batchName, batch)) {
    std::printf("%s: cannot write the batch file\n", prefix.c_str());
    return r;
  }
  long links = 0;
  for (const SitePage& page : site.pages) links += static_cast<long>(page.links.size());

  r.one = RunSiteOnce(runner, o, o.cli, site, server, folder, prefix + "PARALLEL=1",
                      {{"PARALLEL", "1"}}, links);
  r.defaults = RunSiteOnce(runner, o, o.cli, site, server, folder, prefix + "defaults", {}, links);
  if (!o.before.empty()) {
    r.before = RunSiteOnce(runner, o, o.before, site, server, folder, prefix + "previous-defaults",
                           {}, links);
  }
  std::printf("\n%ssummary (%ld links)\n", prefix.c_str(), links);
  PrintSummaryHead();
  PrintSummaryLine("PARALLEL=1", r.one, links);
  PrintSummaryLine("defaults", r.defaults, links);
  if (!o.before.empty()) PrintSummaryLine("previous, defaults", r.before, links);
  if (r.one.ok && r.defaults.ok) {
    PrintDifferences(site, r.one, r.defaults, "PARALLEL=1", "defaults");
    std::printf("  defaults against PARALLEL=1: %.2f x as fast\n", r.one.wallS / r.defaults.wallS);
  }
  if (r.before.ok && r.defaults.ok) {
    PrintDifferences(site, r.before, r.defaults, "previous", "this");
    std::printf("  defaults against the previous defaults: %.2f x as fast\n",
                r.before.wallS / r.defaults.wallS);
  }
  return r;
}

int RunSiteScenario(Runner& runner, const Options& o, const std::string& folder) {
  // The site is made once the port is known (its pages name their origin).
  auto resources = std::make_unique<std::map<std::string, Resource>>();
  SiteServer server(resources.get(), false, o.keepAlive);
  const int port = server.Bind();
  if (port == 0) {
    std::printf("site: cannot bind 127.0.0.1\n");
    return 1;
  }
  Site site = MakeSite(o, port);
  *resources = site.resources;
  server.Start();
  PrintComposition(o, site);
  const ScenarioRuns r = RunBoth(runner, o, site, server, folder, "");
  server.Stop();
  return r.one.ok && r.defaults.ok ? 0 : 1;
}

// Two pages on a server that answers one request at a time: links that take
// 4.0 s and links that take 1.6 s, among quick ones.
Site MakeSerialSite(const Options& o, int port) {
  Site site;
  site.origin = "http://127.0.0.1:" + std::to_string(port);
  site.batchName = "serial.bchk";
  const int delays[] = {4000, 1600};
  for (int p = 0; p < 2; ++p) {
    SitePage page;
    page.path = "/serial/page" + std::to_string(p) + ".html";
    std::string b = "<h1>Bench page #" + std::to_string(p) + "</h1>\n<ul>\n";
    for (int k = 0; k < o.serialLinks * 2; ++k) {
      LinkTruth l;
      Resource r;
      r.body = HtmlDocument("Report", "<p>Figures.</p>\n");
      if (k % 2 == 0) {
        l.kind = Kind::Slow;
        l.href = "/serial/slow" + std::to_string(p) + "-" + std::to_string(k) + ".html";
        r.delayMs = delays[p];
        l.mark = SlowMark(delays[p]);
      } else {
        l.kind = Kind::Good;
        l.href = "/serial/quick" + std::to_string(p) + "-" + std::to_string(k) + ".html";
        l.mark = "(OK)";
      }
      l.address = site.origin + l.href;
      site.resources[l.href] = r;
      b += "<li><a href=\"" + l.href + "\">report [" + std::to_string(k) + "]</a></li>\n";
      page.links.push_back(l);
    }
    b += "</ul>\n";
    Resource r;
    r.body = HtmlDocument("Bench page #" + std::to_string(p) + " - one at a time", b);
    site.resources[page.path] = r;
    site.pages.push_back(std::move(page));
  }
  return site;
}

int RunSerialScenario(Runner& runner, const Options& o, const std::string& folder) {
  auto resources = std::make_unique<std::map<std::string, Resource>>();
  SiteServer server(resources.get(), true);
  const int port = server.Bind();
  if (port == 0) {
    std::printf("serial: cannot bind 127.0.0.1\n");
    return 1;
  }
  Site site = MakeSerialSite(o, port);
  *resources = site.resources;
  server.Start();
  std::printf(
      "\nserial: a server that answers one request at a time, on %s: 2 pages of %d links, "
      "%d of them answering after 4.0 s on one page and after 1.6 s on the other\n",
      site.origin.c_str(), o.serialLinks * 2, o.serialLinks);
  const ScenarioRuns r = RunBoth(runner, o, site, server, folder, "serial-");
  server.Stop();
  return r.one.ok && r.defaults.ok ? 0 : 1;
}

int RunBigScenario(Runner& runner, const Options& o, const std::string& folder) {
  const std::string dir = folder + "/big";
  std::error_code ec;
  fs::create_directories(dir + "/files", ec);
  if (ec) {
    std::printf("big: cannot make %s\n", dir.c_str());
    return 1;
  }
  // Every tenth file is missing; the others exist.
  auto exists = [](int f) { return f % 10 != 7; };
  int made = 0;
  for (int f = 0; f < o.bigFiles; ++f) {
    if (!exists(f)) continue;
    if (!WriteFile(
            dir + "/files/d" + Num(f, 5) + ".html",
            HtmlDocument("Document " + std::to_string(f), "<p>Part of the archive.</p>\n"))) {
      std::printf("big: cannot write the files\n");
      return 1;
    }
    ++made;
  }

  std::vector<LinkTruth> truth;
  truth.reserve(static_cast<std::size_t>(o.bigLinks));
  std::string b = "<h1>Archive index</h1>\n<ul>\n";
  b.reserve(8u << 20);
  const std::string base = "file://" + dir + "/";
  for (int k = 0; k < o.bigLinks; ++k) {
    const int f = static_cast<int>((static_cast<long long>(k) * 7919) % o.bigFiles);
    LinkTruth l;
    l.kind = exists(f) ? Kind::Good : Kind::Broken;
    l.href = "files/d" + Num(f, 5) + ".html";
    l.address = base + l.href;
    l.mark = exists(f) ? "(OK)" : "(NG)";
    b += "<li><a href=\"" + l.href + "\">document " + Num(f, 5) + ", copy " + std::to_string(k) +
         " [" + std::to_string(k) + "]</a></li>\n";
    if (k % 20 == 19)
      b += "</ul>\n<p class=\"note\">Notes for this group of documents.</p>\n<ul>\n";
    truth.push_back(std::move(l));
  }
  b += "</ul>\n";
  const std::string page = HtmlDocument("Bench page #0 - archive", b);
  if (!WriteFile(dir + "/links.html", page)) {
    std::printf("big: cannot write the page\n");
    return 1;
  }
  std::printf("\nbig: a local page of %.2f MB with %d links to %d files (%d of them missing)\n",
              static_cast<double>(page.size()) / 1048576.0, o.bigLinks, o.bigFiles,
              o.bigFiles - made);

  const std::string home = folder + "/home-big";
  if (!MakeHome(home, {})) {
    std::printf("big: cannot write the settings\n");
    return 1;
  }
  const std::string out = folder + "/big.out";
  const std::string err = folder + "/big.err";
  const ChildRun run =
      runner.Run(o.cli, {"-s:1", dir + "/links.html"}, home, folder, out, err, o.timeoutS);
  std::printf("\n[big page, defaults]\n");
  PrintRunFailure(run, err, o.timeoutS);
  if (!run.started) return 1;
  std::printf("  wall %.2f s   CPU %.2f s   peak %.1f MB   %.0f links/s   %.1f us CPU per link\n",
              run.wallS, run.cpuS, run.peakMb, o.bigLinks / run.wallS, run.cpuS * 1e6 / o.bigLinks);
  Agreement a;
  const std::vector<std::string> pages = ResultPages(out, home);
  if (pages.empty()) {
    Compare(truth, {}, "links.html (no result page)", a);
  } else {
    Compare(truth, ReadMarks(ReadFile(pages.front()), a.unnumberedMarked), "links.html", a);
  }
  PrintAgreement(a);
  return !run.killed && run.exitCode >= 0 && run.exitCode <= 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Figures appear as they are measured, also when piped.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    Usage();
    return 2;
  }
  if (o.cli.empty()) o.cli = DefaultCli();
  if (access(o.cli.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "the terminal program %s cannot be run (build it first)\n", o.cli.c_str());
    return 2;
  }
  // A child killed at the limit must not take this program with it.
  signal(SIGPIPE, SIG_IGN);

  TempFolder folder;
  if (folder.path().empty()) {
    std::fprintf(stderr, "cannot make a temporary folder\n");
    return 2;
  }
  Runner runner;
  if (!runner.Start()) {
    std::fprintf(stderr, "cannot start the helper process\n");
    return 2;
  }
  if (!o.before.empty() && access(o.before.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "the previous program %s cannot be run\n", o.before.c_str());
    return 2;
  }
  std::printf("program: %s\n", o.cli.c_str());
  if (!o.before.empty()) std::printf("previous program: %s\n", o.before.c_str());
  int status = 0;
  if (o.only.empty() || o.only == "site") status |= RunSiteScenario(runner, o, folder.path());
  if (o.only.empty() || o.only == "serial") status |= RunSerialScenario(runner, o, folder.path());
  if (o.only.empty() || o.only == "big") status |= RunBigScenario(runner, o, folder.path());
  return status;
}
