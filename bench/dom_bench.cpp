// Benchmark of the document model on a generated page of about 7 MB with
// 100,000 links: parse (gumbo alone, and into our tree), the link list, item
// access, one mark inserted into every link, and the serialization of the
// whole page. Each group runs in a child process so that its peak memory
// (VmHWM above the process's size at its start) is its own.
//
//   build/bench_dom_bench [links]
#include <gumbo.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/html/html_decode.h"
#include "platform/html/html_document.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0)
      return std::strtol(line.c_str() + std::string(key).size(), nullptr, 10);
  }
  return -1;
}

std::string MakePage(int links) {
  std::string page =
      "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Links</title>\n</head>\n"
      "<body bgcolor=\"#ffffff\">\n<h1>リンク集</h1>\n<ul>\n";
  for (int i = 0; i < links; ++i) {
    page += "<li><a href=\"http://host" + std::to_string(i % 97) + ".example/d/" +
            std::to_string(i) + ".html\">リンク " + std::to_string(i) + "</a></li>\n";
    if (i % 20 == 19) page += "</ul>\n<p class=\"note\">Notes for this group of links.</p>\n<ul>\n";
  }
  page += "</ul>\n</body>\n</html>\n";
  return page;
}

// Runs `work` in a child; the child prints its own lines.
template <typename Work>
void InChild(Work work) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    work();
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

void Report(const char* phase, double seconds, long startKb, const char* note = "") {
  std::printf("%-34s %9.3f s   peak +%7.1f MB  %s\n", phase, seconds,
              (StatusKb("VmHWM:") - startKb) / 1024.0, note);
}

}  // namespace

int main(int argc, char** argv) {
  const int links = argc > 1 ? std::atoi(argv[1]) : 100000;
  const std::string page = MakePage(links);
  std::printf("page: %.2f MB, %d links\n\n", page.size() / 1048576.0, links);

  InChild([&] {
    long start = StatusKb("VmRSS:");
    auto t = Clock::now();
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput* out = gumbo_parse_with_options(&options, page.data(), page.size());
    double s = Seconds(t);
    Report("gumbo parse alone", s, start);
    gumbo_destroy_output(&options, out);
  });

  InChild([&] {
    long start = StatusKb("VmRSS:");
    auto t = Clock::now();
    vex::DecodedPage decoded = vex::DecodePage(page, "");
    Report("decode (UTF-8 check)", Seconds(t), start);

    t = Clock::now();
    auto doc = vex::html::Document::Parse(decoded.text, "http://example.com/links.html");
    char nodes[64];
    std::snprintf(nodes, sizeof nodes, "%zu nodes", doc->NodeCount());
    Report("parse + our tree", Seconds(t), start, nodes);

    t = Clock::now();
    vex::html::Collection c = doc->links();
    Report("links built (first call)", Seconds(t), start);
    t = Clock::now();
    std::size_t total = 0;
    for (int i = 0; i < 1000; ++i) total += doc->links().length();
    Report("links again x1000 (cached)", Seconds(t), start);

    const std::size_t n = c.length();
    t = Clock::now();
    std::size_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += c.item(i).node()->attributes.size();
    double all = Seconds(t);
    char per[64];
    std::snprintf(per, sizeof per, "%.1f ns per item", all * 1e9 / static_cast<double>(n));
    Report("item(i) for every link", all, start, per);
    t = Clock::now();
    for (int k = 0; k < 100000; ++k) sum += c.item(n - 1 - (k % 16)).node()->attributes.size();
    std::snprintf(per, sizeof per, "%.1f ns per item", Seconds(t) * 1e9 / 100000);
    Report("item(i) at the end x100000", Seconds(t), start, per);

    t = Clock::now();
    std::vector<std::string> hrefs;
    hrefs.reserve(n);
    for (std::size_t i = 0; i < n; ++i) hrefs.push_back(c.item(i).href());
    Report("href of every link", Seconds(t), start);

    t = Clock::now();
    for (std::size_t i = 0; i < n; ++i) {
      c.item(i).insertAdjacentHtml("AfterBegin", "<U title = \"A:" + hrefs[i] + "\">◎</U>");
    }
    double ins = Seconds(t);
    std::snprintf(per, sizeof per, "%.2f us per mark", ins * 1e6 / static_cast<double>(n));
    Report("mark inserted into every link", ins, start, per);

    t = Clock::now();
    std::string markup = doc->getElementsByTagName("HTML").item(0).outerHTML();
    char size[64];
    std::snprintf(size, sizeof size, "%.2f MB of markup", markup.size() / 1048576.0);
    Report("outerHTML of the root", Seconds(t), start, size);
    if (sum == 0 || total == 0) std::printf("(unexpected: nothing read)\n");
  });

  // The same marks on a small page cost the same per mark: insertion does
  // not depend on the size of the page.
  InChild([&] {
    auto doc = vex::html::Document::Parse(MakePage(1000), "http://example.com/");
    vex::html::Collection c = doc->links();
    const int rounds = 20;
    auto t = Clock::now();
    for (int r = 0; r < rounds; ++r) {
      for (std::size_t i = 0; i < c.length(); ++i) {
        c.item(i).insertAdjacentHtml("AfterBegin", "<U title = \"A:http://host.example/\">◎</U>");
      }
    }
    std::printf("%-34s %9.2f us per mark\n", "marks into a page of 1000 links",
                Seconds(t) * 1e6 / static_cast<double>(rounds * c.length()));
  });

  // A hostile page: elements nested 100,000 deep (the parser's time grows
  // with the square of the depth, so the depth is bounded before it).
  InChild([&] {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<div>";
    long start = StatusKb("VmRSS:");
    auto t = Clock::now();
    auto doc = vex::html::Document::Parse(deep, "http://example.com/deep.html");
    char nodes[64];
    std::snprintf(nodes, sizeof nodes, "%zu nodes", doc->NodeCount());
    Report("parse 100,000 nested DIVs", Seconds(t), start, nodes);
  });
  return 0;
}
