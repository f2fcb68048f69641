// The run state that every part of the check shares: modes, flags, the eight
// work lists, the count records and the per-link flags. One per program.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>

#include "platform/text/line_list.h"

namespace vex {

inline constexpr int kStartCheckMessage = 1025;
inline constexpr const char* kVersionText = "2.6";

// Link requests in flight at once, and at most per host (the settings'
// PARALLEL and PERHOST); one at once means the walk probes link after link
// itself, without requests made ahead. Per host as a browser does; a host
// gets that many only while it answers quickly (see the prefetcher).
inline constexpr int kDefaultParallel = 32;
inline constexpr int kDefaultPerHost = 8;
inline constexpr int kMaxParallel = 128;

// Eight signed 32-bit counters, in this order.
struct CountRecord {
  std::int32_t LinkCount = 0;
  std::int32_t BrokenCount = 0;
  std::int32_t TimedOutCount = 0;
  std::int32_t AnchorCount = 0;
  std::int32_t JumpCount = 0;
  std::int32_t RedirectedCount = 0;
  std::int32_t AuthCount = 0;
  std::int32_t PagesCounted = 0;
};

// Per-link outcome flags, indices into LinkFlags.
enum LinkFlag : int {
  FlagBroken = 0,
  FlagTimedOut,
  FlagAnchor,
  FlagJump,
  FlagRedirected,
  FlagAuth,
};
using LinkFlags = std::array<std::uint8_t, 6>;

enum class RunModeKind : int { StartUp = 0, Interactive = 1, Automatic = -1 };

struct RunState {
  int CharMode = 0;  // 0 Japanese texts and full-width marks, 1 English and ASCII
  int JumpMode = 0;  // 0 S-Page, 1 L-Page, 2 g-Page
  int CharModeAtStart = 0;
  int JumpModeAtStart = 0;
  int RunMode = 0;     // 0 start-up not finished, 1 interactive, -1 automatic
  int Busy = 0;        // -1 while a run is under way
  int CancelFlag = 0;  // -1 after Cancel was pressed
  std::string CurrentTarget;
  // Why the target's page could not be fetched ("HTTP 404", a client error);
  // empty when it was.
  std::string TargetLoadFailure;
  std::string AppTitle = "VEXALORN";
  std::string ExeFolder;   // with trailing "/"
  std::string DataFolder;  // the shipped help/ and site/ lie here; with trailing "/"
  std::string IniPath;
  std::string OsName;
  std::string ProgressOsName;
  int ProgressHeight = 0;
  bool HelpAvailable = false;   // stands for the help library's entry point
  bool UrlCacheLookup = false;  // option -i was given
  int BannerPick1 = 0;
  int BannerPick2 = 0;
  int HistoryIndex = 0;
  CountRecord RunTotals;
  CountRecord PageCounts;
  std::string RunStartTime;
  std::string RunEndTime;
  std::string ReportCharset;
  // Link requests in flight at once, and per host (settings PARALLEL, PERHOST).
  int ParallelProbes = kDefaultParallel;
  int ProbesPerHost = kDefaultPerHost;
  // https links are probed like http links (settings HTTPS=1, or asked for
  // one run); otherwise they are marked as not verifiable without a request.
  bool HttpsProbes = false;
  // https links of the run marked without a request (for the end-of-run hint).
  int UnprobedSecureLinks = 0;
  // A site crawl goes at most this many link levels below its start page
  // (settings DEPTH; 0: no limit).
  int CrawlDepth = 0;
  // While a site crawl runs, each walk leaves the addresses of its page's
  // links and frames in PageLinks.
  bool KeepPageLinks = false;
  LineList PageLinks;
  int NoHeaderBlock = 0;
  std::string MarkFontTag;
  std::string AnchorPageUrl;
  std::string LinkPageText;
  LinkFlags Flags{};  // LinkFlags of the current link
  LinkFlags LastLinkFlags{};
  std::array<std::string, 16> BannerEntries;
  // Result numbers handed out in the current run: it never overwrites a
  // result page of its own (cleared when a run starts).
  std::set<int> ResultNumbersThisRun;

  // The eight work lists, created in this order.
  LineList SourceLines;
  LineList FrameUrls;
  LineList WorkLines;
  LineList LocalFileLines;
  LineList TargetList;
  LineList ResultLines;
  LineList SubfolderList;
  LineList TargetHistory;
};

}  // namespace vex
