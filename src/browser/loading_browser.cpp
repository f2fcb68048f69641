#include "browser/loading_browser.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "context/app.h"
#include "platform/html/html_decode.h"
#include "platform/html/url_resolve.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {

namespace {

constexpr const char* kBlankAddress = "about:blank";
bool IsWebAddress(const std::string& address) {
  std::string u = UpperAscii(address);
  return StartsWith(u, "HTTP://") || StartsWith(u, "HTTPS://");
}

// Why a fetched page is no page to check: the client's error (its number as
// the marks show it, then its own words), or a final status other than 2xx
// after every redirect was followed; empty when the page came.
std::string FailureOf(const http::Response& r) {
  if (r.error != http::kOk) {
    std::string why = "OpenUrl Error:" + std::to_string(r.error);
    if (!r.errorText.empty()) why += " (" + r.errorText + ")";
    return why;
  }
  if (r.status != 0 && (r.status < 200 || r.status > 299))
    return "HTTP " + std::to_string(r.status);
  return {};
}

class LoadingBrowser final : public Browser {
 public:
  explicit LoadingBrowser(App& app) : app_(app) {}
  ~LoadingBrowser() override { CancelTransfer(); }

  void Navigate(const std::string& address) override {
    Alive();
    CancelTransfer();
    bytes_.clear();
    parsed_.reset();
    contentType_.clear();
    loadError_.clear();
    pageCut_ = false;
    localPath_.clear();
    std::string a = Trim(address);
    if (a.empty() || StartsWith(LowerAscii(a), "about:")) {
      documentUrl_ = a.empty() ? kBlankAddress : a;
      pendingFile_ = false;
    } else if (auto fetched = app_.FetchedPages.find(a); fetched != app_.FetchedPages.end()) {
      // Fetched ahead in this run: loaded from that copy, once.
      http::Response& r = fetched->second.response;
      documentUrl_ = r.effectiveUrl.empty() ? a : r.effectiveUrl;
      loadError_ = FailureOf(r);
      bytes_ = std::move(r.body);
      KeepWithinLimit(r.bodyCut);
      contentType_ = HeaderValue(r.headers, "Content-Type");
      parsed_ = fetched->second.parsed.lock();
      app_.FetchedPages.erase(fetched);
      pendingFile_ = false;
    } else if (IsWebAddress(a)) {
      // Blanks and other characters a browser escapes are sent escaped.
      documentUrl_ = ResolveUrl({}, a);
      http::Request request;
      request.url = documentUrl_;
      request.maxBodyBytes = kMaxPageBytes;
      request.totalTimeoutMs = kPageTransferLimitMs;
      transfer_ = app_.http.Start(request);
    } else if (auto path = PathFromFileUrl(a); path || !StartsWith(LowerAscii(a), "file:")) {
      std::string p = path ? *path : a;
      std::error_code ec;
      auto absolute = std::filesystem::absolute(p, ec);
      localPath_ = ec ? p : absolute.lexically_normal().string();
      documentUrl_ = FileUrlFromPath(localPath_);
      pendingFile_ = true;
    } else {
      documentUrl_ = a;
      loadError_ = "unsupported address";
      pendingFile_ = false;
    }
    stage_ = Stage::Transfer;
    doc_ = html::Document::Empty(documentUrl_, "loading");
  }

  void Gohome() override { Navigate(kBlankAddress); }

  bool busy() override {
    Alive();
    Advance();
    return stage_ == Stage::Transfer;
  }

  int readystate() override {
    Alive();
    switch (stage_) {
      case Stage::Idle:
        return 0;
      case Stage::Transfer:
        return 1;
      case Stage::Loaded:
        return 2;
      case Stage::Complete:
        return 4;
    }
    return 0;
  }

  void stop() override {
    Alive();
    if (stage_ == Stage::Transfer) {
      if (pendingFile_) {
        ReadFile();
      } else if (transfer_) {
        CancelTransfer();
        loadError_ = "stopped";
      }
      stage_ = Stage::Loaded;
    }
    if (stage_ == Stage::Loaded) Parse();
  }

  bool offline() override {
    Alive();
    return offline_;
  }

  std::shared_ptr<html::Document> Document() override {
    Alive();
    if (!doc_) throw BrowserError("The browser holds no document");
    return doc_;
  }

  void Quit() override {
    Alive();
    CancelTransfer();
    doc_.reset();
    quit_ = true;
  }

  void Visible(bool visible) override {
    Alive();
    bool show = visible && !visible_ && stage_ != Stage::Idle && documentUrl_ != kBlankAddress;
    visible_ = visible;
    if (show) app_.ui.ShowPage(localPath_.empty() ? documentUrl_ : localPath_);
  }

  void Silent(bool silent) override {
    Alive();
    silent_ = silent;
  }

  void Offline(bool offline) override {
    Alive();
    offline_ = offline;
  }

  std::string LoadError() const override { return loadError_; }
  bool PageCut() const override { return pageCut_; }

  bool WaitsForTransfer() const override {
    return !quit_ && stage_ == Stage::Transfer && transfer_ && !app_.http.Done(*transfer_);
  }

 private:
  enum class Stage { Idle, Transfer, Loaded, Complete };

  void Alive() const {
    if (quit_) throw BrowserError("The browser has been closed");
  }

  void CancelTransfer() {
    if (transfer_) {
      app_.http.Cancel(*transfer_);
      transfer_.reset();
    }
  }

  // A local page gets the limit of a web page; a device or a FIFO is never
  // read (it could go on for ever, or wait for a writer).
  void ReadFile() {
    pendingFile_ = false;
    if (!ReadFileHead(localPath_, kMaxPageBytes, bytes_, &pageCut_)) {
      bytes_.clear();
      loadError_ = "cannot read " + localPath_;
    }
  }

  // A transfer keeps whole read pieces, so a cut body may hold a little more
  // than the limit; the page is its first kMaxPageBytes.
  void KeepWithinLimit(bool bodyCut) {
    if (!bodyCut || bytes_.size() <= kMaxPageBytes) return;
    bytes_.resize(kMaxPageBytes);
    pageCut_ = true;
  }

  // On through every stage that can be reached without waiting.
  void Advance() {
    Stage before = Stage::Idle;
    while (stage_ != before) {
      before = stage_;
      AdvanceOnce();
    }
  }

  void AdvanceOnce() {
    switch (stage_) {
      case Stage::Transfer:
        if (pendingFile_) {
          ReadFile();
        } else if (transfer_) {
          app_.http.Poll(0);
          if (!app_.http.Done(*transfer_)) return;
          http::Response r = app_.http.Take(*transfer_);
          transfer_.reset();
          loadError_ = FailureOf(r);
          if (!r.effectiveUrl.empty()) documentUrl_ = r.effectiveUrl;
          bytes_ = std::move(r.body);
          KeepWithinLimit(r.bodyCut);
          contentType_ = HeaderValue(r.headers, "Content-Type");
        }
        stage_ = Stage::Loaded;
        return;
      case Stage::Loaded:
        Parse();
        return;
      case Stage::Idle:
      case Stage::Complete:
        return;
    }
  }

  void Parse() {
    if (parsed_) {
      doc_ = std::move(parsed_);
    } else {
      DecodedPage page = DecodePage(bytes_, contentType_);
      doc_ = html::Document::Parse(page.text, documentUrl_);
    }
    std::string().swap(bytes_);
    stage_ = Stage::Complete;
  }

  App& app_;
  Stage stage_ = Stage::Idle;
  bool quit_ = false;
  bool visible_ = false;
  bool silent_ = false;
  bool offline_ = false;
  bool pendingFile_ = false;
  std::optional<http::TransferId> transfer_;
  std::string documentUrl_;
  std::string localPath_;
  std::string bytes_;
  // The same bytes as read ahead for the page's links, already parsed.
  std::shared_ptr<html::Document> parsed_;
  std::string contentType_;
  std::string loadError_;
  bool pageCut_ = false;
  std::shared_ptr<html::Document> doc_;
};

}  // namespace

std::unique_ptr<Browser> MakeBrowser(App& app) {
  return std::make_unique<LoadingBrowser>(app);
}

}  // namespace vex
