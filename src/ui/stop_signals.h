// SIGINT, SIGTERM and SIGHUP for the desktop program: a stop from the
// terminal, the session or a service manager. The handler only writes a byte
// to a pipe; the event loop reads it and hands the stop to the front end,
// which treats it as the Cancel button (and, once no run is under way, as
// closing the main window). A second signal ends the program at once.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace vex::ui {

class StopSignals : public QObject {
  Q_OBJECT

 public:
  StopSignals();
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 signals:
  void stopRequested();

 private:
  void Read();
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace vex::ui
