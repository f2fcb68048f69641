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

extern "C" void OnInterrupt(int) {
  gInterruptRaised = 1;
}

constexpr int kBarCells = 20;
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

// The phase of a count text such as "3 / 12On Checking": the count goes.
std::string PhaseOf(const std::string& label1) {
  const std::size_t at = label1.find_first_not_of("0123456789 /");
  return at == std::string::npos ? std::string() : Trim(label1.substr(at));
}

std::string Bar(const ProgressBarModel& bar) {
  const int span = bar.max - bar.min;
  int filled = 0;
  if (span > 0) filled = std::clamp((bar.position - bar.min) * kBarCells / span, 0, kBarCells);
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(kBarCells - filled), '.') + "]";
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the program at once
  sigaction(SIGINT, &action, nullptr);
}

bool TakeInterrupt() {
  if (!gInterruptRaised) return false;
  gInterruptRaised = 0;
  return true;
}

std::string ProgressLine(const ProgressModel& p, int width) {
  std::string line;
  if (p.Label4Visible && !p.Label4.empty()) line += p.Label4 + " ";
  line += Trim(p.Label1);
  line += " " + Bar(p.st1_ProBar1) + " ";
  const int left = width - 1 - Columns(line);
  if (left > 0) line += TailFitting(p.Label2, left);
  return line;
}

std::string PlainProgressText(const ProgressModel& p, const std::string& currentTarget) {
  if (!p.visible) return {};
  std::string text;
  if (p.Label4Visible && !p.Label4.empty()) text += p.Label4 + " ";
  const std::string phase = PhaseOf(p.Label1);
  text += phase.empty() ? Trim(p.Label1) : phase;
  // In a batch the entry and its counter change together.
  const std::string& page = p.Label3Visible && !p.Label3.empty() ? p.Label3 : currentTarget;
  if (!page.empty()) text += "  " + page;
  return text;
}

TerminalFrontEnd::TerminalFrontEnd(Clock& clock, TerminalOptions options)
    : clock_(clock), options_(options) {}

int TerminalFrontEnd::CharMode() const {
  return app_ ? app_->state.CharMode : 1;
}

void TerminalFrontEnd::ProcessEvents() {
  if (TakeInterrupt()) interrupted_ = true;
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
  std::fprintf(options_.err, "%s\n", text.c_str());
  std::fflush(options_.err);
}

Answer TerminalFrontEnd::Ask(const std::string& text, bool withCancel, Answer fallback) {
  ClearLiveLine();
  const int mode = CharMode();
  if (!options_.askOnTerminal) {
    const texts::Pair& said = fallback == Answer::Yes ? DefaultAnswerYes : DefaultAnswerNo;
    std::fprintf(options_.err, "%s%s\n", text.c_str(), std::string(said[mode]).c_str());
    std::fflush(options_.err);
    return fallback;
  }
  for (int tries = 0; tries < 5; ++tries) {
    const texts::Pair& prompt = withCancel ? AnswerPromptYesNoCancel : AnswerPromptYesNo;
    std::fprintf(options_.err, "%s%s", text.c_str(), std::string(prompt[mode]).c_str());
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
    std::fprintf(options_.err, "%3zu  %s\n", i + 1, entries[i].c_str());
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
    const std::string text = PlainProgressText(p, app_->state.CurrentTarget);
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
