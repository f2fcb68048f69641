#include "cli/terminal_front_end.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>

#include "cli/cli_texts.h"
#include "context/app.h"
#include "context/models.h"
#include "platform/text/text.h"

namespace vex::cli {

namespace {

volatile std::sig_atomic_t gInterruptRaised = 0;
volatile std::sig_atomic_t gResized = 0;

extern "C" void OnInterrupt(int) {
  gInterruptRaised = 1;
}

extern "C" void OnResize(int) {
  gResized = 1;
}

constexpr int kBarCells = 20;
// Narrower terminals get these bars, then none.
constexpr int kBarSteps[] = {kBarCells, 10, 5, 0};
// Columns an address keeps before the bar and the words go.
constexpr int kAddressColumns = 28;
constexpr std::string_view kCutMark = "...";
constexpr int kPauseSliceMs = 50;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

// Columns a UTF-8 text takes; wide scripts count two.
int Columns(std::string_view text) {
  int cols = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4;
    len = std::min(len, text.size() - i);
    cols += len >= 3 ? 2 : 1;
    i += len;
  }
  return cols;
}

// The end of the text that fits into `cols` columns, whole characters only.
std::string TailFitting(std::string_view text, int cols) {
  if (Columns(text) <= cols) return std::string(text);
  if (cols <= 1) return {};
  std::size_t start = text.size();
  int used = 1;  // the ellipsis mark
  while (start > 0) {
    std::size_t prev = start - 1;
    while (prev > 0 && (static_cast<unsigned char>(text[prev]) & 0xC0) == 0x80) --prev;
    const int w = Columns(text.substr(prev, start - prev));
    if (used + w > cols) break;
    used += w;
    start = prev;
  }
  return "~" + std::string(text.substr(start));
}

// Byte length of the UTF-8 character starting at text[i].
std::size_t CharLength(std::string_view text, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  const std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4;
  return std::min(len, text.size() - i);
}

// The beginning of the text that fits into `cols` columns, whole characters.
std::string HeadFitting(std::string_view text, int cols) {
  std::size_t end = 0;
  int used = 0;
  while (end < text.size()) {
    const std::size_t len = CharLength(text, end);
    const int w = Columns(text.substr(end, len));
    if (used + w > cols) break;
    used += w;
    end += len;
  }
  return std::string(text.substr(0, end));
}

// The text shortened in the middle to `cols` columns: its beginning (the
// host) and its end (the file) stay.
std::string MiddleFitting(std::string_view text, int cols) {
  if (Columns(text) <= cols) return std::string(text);
  const int room = cols - static_cast<int>(kCutMark.size());
  if (room < 2) return HeadFitting(text, std::max(cols, 0));
  const std::string head = HeadFitting(text, room - room / 2);
  std::string tail = TailFitting(text, room / 2 + 1);  // one column is its "~"
  if (!tail.empty()) tail.erase(0, 1);
  return head + std::string(kCutMark) + tail;
}

// The phase of a count text such as "3 / 12On Checking": the count goes.
std::string PhaseOf(const std::string& label1) {
  const std::size_t at = label1.find_first_not_of("0123456789 /");
  return at == std::string::npos ? std::string() : Trim(label1.substr(at));
}

std::string Bar(const ProgressBarModel& bar, int cells) {
  const int span = bar.max - bar.min;
  int filled = 0;
  if (span > 0) filled = std::clamp((bar.position - bar.min) * cells / span, 0, cells);
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(cells - filled), '.') + "]";
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // a second signal ends the program at once
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
}

std::string TerminalText(std::string_view text, bool keepLineBreaks) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  auto escape = [&](unsigned char c) {
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if ((c < 0x20 && !(keepLineBreaks && c == '\n')) || c == 0x7F) {
        escape(c);
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    // A whole UTF-8 sequence passes, unless it encodes a C1 control.
    const std::size_t len = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    bool whole = len != 0 && i + len <= text.size();
    for (std::size_t k = 1; whole && k < len; ++k) {
      whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    const bool c1 = whole && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
    if (!whole || c1) {
      escape(c);
      ++i;
      continue;
    }
    out.append(text, i, len);
    i += len;
  }
  return out;
}

bool TakeInterrupt() {
  if (!gInterruptRaised) return false;
  gInterruptRaised = 0;
  return true;
}

void InstallResizeHandler() {
  struct sigaction action {};
  action.sa_handler = OnResize;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGWINCH, &action, nullptr);
}

std::string ProgressLine(const ProgressModel& p, int width) {
  // The last column stays free: writing into it wraps on many terminals.
  const int room = std::max(width - 1, 0);
  // Heads from the fullest to the shortest: the batch counter without its
  // word, then the link count without the phase.
  const std::string batch = p.Label4Visible ? Trim(p.Label4) : std::string();
  const std::size_t counterAt = batch.find('<');
  const std::string counter = counterAt == std::string::npos ? batch : batch.substr(counterAt);
  const std::string label1 = Trim(p.Label1);
  const std::string phase = PhaseOf(p.Label1);
  const std::string count = Trim(label1.substr(0, label1.size() - phase.size()));
  const auto join = [](const std::string& a, const std::string& b) {
    return a.empty() ? b : b.empty() ? a : a + " " + b;
  };
  const std::string heads[] = {join(batch, label1), join(counter, label1), join(counter, count)};

  const int addressWants = std::min(Columns(p.Label2), kAddressColumns);
  std::string line;
  bool fits = false;
  for (const std::string& head : heads) {
    for (const int cells : kBarSteps) {
      line = head;
      if (cells > 0) line = join(line, Bar(p.st1_ProBar1, cells));
      fits = Columns(line) + 1 + addressWants <= room;
      if (fits) break;
    }
    if (fits) break;
  }
  if (Columns(line) > room) return HeadFitting(line, room);
  const int left = room - Columns(line) - 1;
  if (left > 0 && !p.Label2.empty()) line = join(line, MiddleFitting(TerminalText(p.Label2), left));
  return line;
}

std::string PlainProgressPage(const ProgressModel& p, const std::string& currentTarget) {
  // In a batch the entry and its counter change together.
  return p.Label3Visible && !p.Label3.empty() ? p.Label3 : currentTarget;
}

std::string PlainProgressText(const ProgressModel& p, const std::string& currentTarget,
                              bool withPhase) {
  if (!p.visible) return {};
  std::string text;
  if (p.Label4Visible && !p.Label4.empty()) text += p.Label4;
  if (withPhase) {
    const std::string phase = PhaseOf(p.Label1);
    if (!text.empty()) text += " ";
    text += phase.empty() ? Trim(p.Label1) : phase;
  }
  const std::string page = PlainProgressPage(p, currentTarget);
  if (!page.empty()) text += (withPhase ? "  " : " ") + page;
  return TerminalText(Trim(text));
}

TerminalFrontEnd::TerminalFrontEnd(Clock& clock, TerminalOptions options)
    : clock_(clock), options_(options) {}

int TerminalFrontEnd::CharMode() const {
  return app_ ? app_->state.CharMode : 1;
}

void TerminalFrontEnd::ProcessEvents() {
  if (TakeInterrupt()) interrupted_ = true;
  if (gResized) {
    gResized = 0;
    if (liveLineShown_) {
      DrawProgress(true);
      return;
    }
  }
  // Kept pressed: showing the progress window clears the flag, and a cancel
  // that arrives just before must not be lost.
  if (interrupted_ && app_) app_->state.CancelFlag = -1;
  DrawProgress(false);
}

void TerminalFrontEnd::Pause(int ms) {
  while (ms > 0) {
    const int slice = std::min(ms, kPauseSliceMs);
    clock_.SleepMs(slice);
    ms -= slice;
    ProcessEvents();
  }
}

void TerminalFrontEnd::ShowMessage(const std::string& text) {
  ++messagesShown_;
  ClearLiveLine();
  std::fprintf(options_.err, "%s\n", TerminalText(text, true).c_str());
  std::fflush(options_.err);
}

Answer TerminalFrontEnd::Ask(const std::string& text, bool withCancel, Answer fallback) {
  ClearLiveLine();
  const int mode = CharMode();
  if (!options_.askOnTerminal) {
    const texts::Pair& said = fallback == Answer::Yes ? DefaultAnswerYes : DefaultAnswerNo;
    std::fprintf(options_.err, "%s%s\n", TerminalText(text, true).c_str(),
                 std::string(said[mode]).c_str());
    std::fflush(options_.err);
    return fallback;
  }
  for (int tries = 0; tries < 5; ++tries) {
    const texts::Pair& prompt = withCancel ? AnswerPromptYesNoCancel : AnswerPromptYesNo;
    std::fprintf(options_.err, "%s%s", TerminalText(text, true).c_str(),
                 std::string(prompt[mode]).c_str());
    std::fflush(options_.err);
    char buffer[64];
    if (!std::fgets(buffer, sizeof buffer, options_.in)) {
      if (TakeInterrupt()) {
        // Ctrl-C at a question stops the run: Cancel, or Yes to "stop now?".
        interrupted_ = true;
        std::fprintf(options_.err, "\n");
        return withCancel ? Answer::Cancel : Answer::Yes;
      }
      break;
    }
    const std::string answer = UpperAscii(Trim(buffer));
    if (answer == "Y" || answer == "YES") return Answer::Yes;
    if (answer == "N" || answer == "NO") return Answer::No;
    if (withCancel && (answer == "C" || answer == "CANCEL")) return Answer::Cancel;
  }
  std::fprintf(options_.err, "\n");
  return withCancel ? Answer::Cancel : fallback;
}

Answer TerminalFrontEnd::AskYesNo(const std::string& text) {
  // The one yes/no question of a run is the file-count one: going on is the
  // harmless answer.
  return Ask(text, false, Answer::No);
}

Answer TerminalFrontEnd::AskYesNoCancel(const std::string& text) {
  // The subfolder question: a wildcard typed on a terminal usually means all.
  return Ask(text, true, Answer::Yes);
}

std::optional<int> TerminalFrontEnd::ChooseFrame(const std::vector<std::string>& entries) {
  if (!options_.askOnTerminal || entries.empty()) return std::nullopt;
  ClearLiveLine();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::fprintf(options_.err, "%3zu  %s\n", i + 1, TerminalText(entries[i]).c_str());
  }
  std::fprintf(options_.err, "%s", std::string(FramePrompt[CharMode()]).c_str());
  std::fflush(options_.err);
  char buffer[32];
  if (!std::fgets(buffer, sizeof buffer, options_.in)) return std::nullopt;
  const std::string answer = Trim(buffer);
  if (answer.empty() || answer.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const long n = std::strtol(answer.c_str(), nullptr, 10);
  if (n < 1 || n > static_cast<long>(entries.size())) return std::nullopt;
  return static_cast<int>(n - 1);
}

void TerminalFrontEnd::Refresh(View view) {
  if (view == View::Progress) DrawProgress(true);
}

int TerminalFrontEnd::TerminalWidth() const {
  if (options_.width) return options_.width();
  winsize size{};
  if (ioctl(fileno(options_.err), TIOCGWINSZ, &size) == 0 && size.ws_col > 10) {
    return size.ws_col;
  }
  return 80;
}

void TerminalFrontEnd::ClearLiveLine() {
  if (!liveLineShown_) return;
  std::fprintf(options_.err, "\r\x1b[K");
  std::fflush(options_.err);
  liveLineShown_ = false;
}

void TerminalFrontEnd::DrawProgress(bool force) {
  if (!app_) return;
  const ProgressModel& p = app_->progress;
  if (!options_.liveProgress) {
    // A new page is announced at once, but the phase text then still is the
    // last page's: it is left out until the new page's own phase comes.
    const std::string page = PlainProgressPage(p, app_->state.CurrentTarget);
    if (page != plainPage_) {
      plainPage_ = page;
      phaseAtPageChange_ = p.Label1;
      phaseIsStale_ = true;
    } else if (phaseIsStale_ && p.Label1 != phaseAtPageChange_) {
      phaseIsStale_ = false;
    }
    PlainParts parts{p.visible, p.Label4Visible, !phaseIsStale_, p.Label4, p.Label1, page};
    if (parts == plainParts_) return;
    plainParts_ = std::move(parts);
    const std::string text = PlainProgressText(p, app_->state.CurrentTarget, !phaseIsStale_);
    if (text != lastPlain_ && !text.empty()) {
      std::fprintf(options_.err, "%s\n", text.c_str());
      std::fflush(options_.err);
    }
    lastPlain_ = text;
    return;
  }
  if (!p.visible) {
    ClearLiveLine();
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawEvery) return;
  lastDraw_ = now;
  std::fprintf(options_.err, "\r\x1b[K%s", ProgressLine(p, TerminalWidth()).c_str());
  std::fflush(options_.err);
  liveLineShown_ = true;
}

}  // namespace vex::cli
