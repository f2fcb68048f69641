// The browser component's interface, held by App (the implementation is
// src/browser/loading_browser.*): loads a page asynchronously into the
// document model (platform/html/html_document.h) and reports its progress through the busy flag
// and the ready state, as the page loader's wait expects.
//
// Web addresses are fetched through the program's HTTP client; local paths
// and file:/// addresses are read from disk; "about:blank" (and an empty
// address) is an empty page. Loading advances only when the browser is asked
// about it: each `busy` call moves the load on as far as it can without
// waiting: the transfer (ready state 1, busy) until its bytes are there, then
// at once the page parsed (4, complete); a local file is complete at the
// first call. `stop` ends the load at once and parses what was received. A page that cannot be
// fetched loads as an empty page (the reason is in LoadError()).
//
// Failing calls raise vex::BrowserError: any call on a browser after Quit,
// and the document model's own failures. The callers that expect failures
// catch it: the wait (x_WaitIE), page preparation, the link walk and the
// anchor check; no other exception leaves this component.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/html/html_document.h"

namespace vex {

struct App;

// A web page is read up to this many bytes, within this many ms.
inline constexpr std::size_t kMaxPageBytes = 64u << 20;
inline constexpr long kPageTransferLimitMs = 60000;
// Of a linked page only the beginning is read (L-Page mode): reading stops
// once more than kPageTextBytes are held, in pieces of kReadPieceBytes; a
// local page is read as far as a web page would be.
inline constexpr std::size_t kPageTextBytes = 999;
inline constexpr std::size_t kReadPieceBytes = 500;
inline constexpr std::size_t kLinkedPageHeadBytes =
    (kPageTextBytes / kReadPieceBytes + 1) * kReadPieceBytes;

class Browser {
 public:
  virtual ~Browser() = default;

  // Starts loading and returns at once; the previous page is dropped.
  virtual void Navigate(const std::string& address) = 0;
  void navigate2(const std::string& address) { Navigate(address); }
  void navigate(const std::string& address) { Navigate(address); }
  // Loads the home page, "about:blank".
  virtual void Gohome() = 0;

  virtual bool busy() = 0;
  // 0 nothing loaded, 1 loading, 2 loaded, 4 complete.
  virtual int readystate() = 0;
  virtual void stop() = 0;
  virtual bool offline() = 0;
  // The current page (a loading page has no nodes yet).
  virtual std::shared_ptr<html::Document> Document() = 0;
  // Ends the browser; every later call raises BrowserError.
  virtual void Quit() = 0;

  // Visible true hands the page to the user (a local page by its path).
  virtual void Visible(bool visible) = 0;
  virtual void Silent(bool silent) = 0;
  // Kept for the callers that set it; loading does not depend on it.
  virtual void Offline(bool offline) = 0;

  // Why the last load failed: no answer, a client error, or a final HTTP
  // status other than 2xx (whose page, if any, is still loaded); empty when
  // it did not fail.
  virtual std::string LoadError() const = 0;
  // The last page was longer than kMaxPageBytes: only its beginning was read.
  virtual bool PageCut() const { return false; }

  // The load waits for a web transfer that has not finished yet (the wait
  // between polls can then end as soon as it does).
  virtual bool WaitsForTransfer() const { return false; }
};

}  // namespace vex
