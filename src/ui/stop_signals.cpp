#include "ui/stop_signals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace vex::ui {

namespace {

int gPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
  const char byte = 1;
  // Nothing to do when the pipe is full: a stop is already waiting.
  (void)!::write(gPipe[1], &byte, 1);
}

}  // namespace

StopSignals::StopSignals() {
  if (gPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0) return;
  for (int fd : gPipe) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignals::Read);

  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_RESTART;  // a second signal ends the program
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
}

StopSignals::~StopSignals() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, SIG_DFL);
}

void StopSignals::Read() {
  char bytes[16];
  while (::read(gPipe[0], bytes, sizeof bytes) > 0) {
  }
  emit stopRequested();
}

}  // namespace vex::ui
