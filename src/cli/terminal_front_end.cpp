#include "cli/terminal_front_end.h"

#include <string>

#include "platform/text.h"

namespace vex {

TerminalFrontEnd::TerminalFrontEnd(Clock& clock, std::ostream& out, std::istream& in,
                                   bool interactive)
    : clock_(clock), out_(out), in_(in), interactive_(interactive) {}

void TerminalFrontEnd::Pause(int ms) {
  clock_.SleepMs(ms);
}

void TerminalFrontEnd::ShowMessage(const std::string& text) {
  out_ << text << '\n' << std::flush;
}

Answer TerminalFrontEnd::Ask(const std::string& text, bool withCancel) {
  out_ << text << (withCancel ? " [y/N/c] " : " [y/N] ");
  if (!interactive_) {
    out_ << "n\n" << std::flush;
    return Answer::No;
  }
  out_ << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return withCancel ? Answer::Cancel : Answer::No;
  const std::string a = LowerAscii(Trim(line));
  if (a == "y" || a == "yes") return Answer::Yes;
  if (withCancel && (a == "c" || a == "cancel")) return Answer::Cancel;
  return Answer::No;
}

Answer TerminalFrontEnd::AskYesNo(const std::string& text) {
  return Ask(text, false);
}

Answer TerminalFrontEnd::AskYesNoCancel(const std::string& text) {
  return Ask(text, true);
}

// The terminal program takes its target from the command line only.
std::vector<std::string> TerminalFrontEnd::ChooseOpenFiles(const std::string&, int) {
  return {};
}

std::optional<std::string> TerminalFrontEnd::ChooseSaveFile(const std::string&,
                                                            const std::string&) {
  return std::nullopt;
}

// As for an explicit target: the frame set itself is checked.
std::optional<int> TerminalFrontEnd::ChooseFrame(const std::vector<std::string>&) {
  return std::nullopt;
}

void TerminalFrontEnd::ShowPage(const std::string& path) {
  out_ << path << '\n' << std::flush;
}

bool TerminalFrontEnd::OpenHelp(const std::string& path) {
  out_ << path << '\n' << std::flush;
  return true;
}

bool TerminalFrontEnd::TakeStartMessage() {
  const bool posted = startPosted_;
  startPosted_ = false;
  return posted;
}

}  // namespace vex
