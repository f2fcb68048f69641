#include "links/header_block.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "context/app.h"
#include "context/file_address.h"
#include "links/home_site.h"
#include "platform/html/html_decode.h"
#include "platform/http/http_client.h"
#include "platform/text/text.h"

namespace vex {

namespace {

constexpr std::string_view kBannerMarker = "<P style=\"MARGIN-LEFT: 1px\">";
constexpr std::string_view kParagraphEnd = "</P>";
constexpr std::string_view kBannerLinkPrefix = "<a href=\"http://";
constexpr std::string_view kSlot1Placeholder = "aaxxxc10xxxbb";
constexpr std::string_view kSlot2Placeholder = "aaxxxc20xxxbb";
constexpr std::string_view kCodePlaceholder = "xxxc10xxx";
constexpr int kBannersPerSlot = 8;

// The banner list page: at most a little over 8000 bytes, read for at most
// 2000 ms after the answer began, after a connect of at most 1000 ms.
http::Request BannerListRequest(const std::string& url) {
  http::Request r;
  r.url = url;
  r.connectTimeoutMs = 1000;
  r.bodyTimeLimitMs = 2000;
  r.totalTimeoutMs = 3000;
  r.maxBodyBytes = 8000;
  return r;
}

// Whatever arrived is used, also from a transfer cut short by the time
// limits; an error page of the server is not a banner list. Result pages are
// UTF-8, so the list is read as any page is, whatever it is written in.
std::string DownloadBannerList(App& app, const std::string& url) {
  app.ProcessEvents();
  http::Response response =
      http::Fetch(app.http, BannerListRequest(url), [&app] { app.ProcessEvents(); });
  if (response.status >= 400 || response.body.empty()) return {};
  return DecodePage(response.body, HeaderValue(response.headers, "Content-Type")).text;
}

// "http://host:port" of an address, "file://" for a file address.
std::string OriginOf(const std::string& folder) {
  const std::size_t scheme = folder.find("://");
  if (scheme == std::string::npos) return {};
  const std::size_t path = folder.find('/', scheme + 3);
  return path == std::string::npos ? folder : folder.substr(0, path);
}

// A banner of the list page may name its page and image relative to the
// banner folder; in a result page they would resolve against the checked
// page, so they are made absolute here.
std::string ResolveBannerAddresses(const std::string& banner, const std::string& folder) {
  std::string out = banner;
  for (std::string_view attribute : {"HREF=\"", "SRC=\""}) {
    std::size_t from = 0;
    while (true) {
      const std::size_t at = UpperAscii(out).find(attribute, from);
      if (at == std::string::npos) break;
      const std::size_t value = at + attribute.size();
      const std::size_t end = out.find('"', value);
      if (end == std::string::npos) break;
      const std::string address = out.substr(value, end - value);
      const std::size_t colon = address.find(':');
      const bool hasScheme =
          colon != std::string::npos && colon < std::min(address.find('/'), address.find('?'));
      std::string prefix;
      if (!address.empty() && !hasScheme && address[0] != '#') {
        if (StartsWith(address, "//")) {
          prefix = folder.substr(0, folder.find("//"));  // the folder's scheme and ":"
        } else {
          prefix = address[0] == '/' ? OriginOf(folder) : folder;
        }
      }
      out.insert(value, prefix);
      from = end + prefix.size() + 1;
    }
  }
  return out;
}

// Takes the banner paragraphs in pairs: the first of pair k is banner k of
// the first slot, the second banner k of the second slot.
void TakeBanners(std::string d, std::array<std::string, 16>& entries) {
  auto paragraph = [&d]() -> std::string {
    const std::size_t end = d.find(kParagraphEnd);
    return end == std::string::npos ? std::string() : Trim(std::string_view(d).substr(0, end));
  };
  auto take = [&](int index, const std::string& banner) {
    if (!banner.empty()) entries[index] = banner;
  };
  std::size_t marker = d.find(kBannerMarker);
  for (int k = 0; marker != std::string::npos && k < kBannersPerSlot; ++k) {
    d.erase(0, marker + kBannerMarker.size());
    const std::string first = paragraph();
    marker = d.find(kBannerMarker);
    if (marker == std::string::npos) {
      take(k, first);
      return;
    }
    d.erase(0, marker + kBannerMarker.size());
    const std::string second = paragraph();
    take(k, first);
    take(kBannersPerSlot + k, second);
    marker = d.find(kBannerMarker);
  }
}

// Banner links that lead away from the home site are never probed.
void ExcludeBannerLinks(App& app) {
  LineList& noCheck = app.NoCheckList();
  const std::string home1 = noCheck.size() > 0 ? noCheck[0] : std::string();
  const std::string home2 = noCheck.size() > 1 ? noCheck[1] : std::string();
  for (const std::string& banner : app.state.BannerEntries) {
    if (Contains(banner, home1) || Contains(banner, home2)) continue;
    const std::size_t p = banner.find(kBannerLinkPrefix);
    if (p == std::string::npos) continue;
    std::string address = banner.substr(p + kBannerLinkPrefix.size());
    const std::size_t quote = address.find('"');
    if (quote != std::string::npos) address.resize(quote);
    address = Trim(address);
    if (address.empty()) continue;
    noCheck.insert(
        noCheck.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(2, noCheck.size())),
        address);
  }
}

void SetUpBanners(App& app, const HomeSiteAddresses& site) {
  std::string page = DownloadBannerList(app, site.bannerList);
  auto& entries = app.state.BannerEntries;
  for (int k = 0; k < kBannersPerSlot; ++k) {
    entries[k] = DefaultBanner(site.bannerFolder, "c1" + std::to_string(k + 1));
    entries[kBannersPerSlot + k] = DefaultBanner(site.bannerFolder, "c2" + std::to_string(k + 1));
  }
  TakeBanners(std::move(page), entries);
  // The links are judged as the list page wrote them: a relative image of a
  // banner that leads elsewhere must not make it look like a home-site link.
  ExcludeBannerLinks(app);
  for (std::string& banner : entries) banner = ResolveBannerAddresses(banner, site.bannerFolder);
}

// "P00" + the version code: "2.6" gives "260".
std::string ProductImageName() {
  std::string code = std::string(kVersionText).substr(0, 3);
  code.erase(std::remove(code.begin(), code.end(), '.'), code.end());
  return "P00" + (code + "000").substr(0, 3);
}

LineList BlockLines(const HomeSiteAddresses& site) {
  const std::string cell = "    <td width=\"20%\" rowspan=\"2\"><p style=\"margin-left: 0\">";
  const std::string empty = "    <td width=\"20%\"></td>";
  return {
      "<table border=\"0\" width=\"100%\">",
      "  <tr>",
      cell,
      "      <A href=\"" + site.homePage + "\">",
      "      <IMG alt=VEXALORN hspace=0 src=\"" + site.imageFolder + ProductImageName() +
          ".gif\" align=left>",
      "      </A>",
      "    </td>",
      "    <td width=\"20%\"><p style=\"margin-left: 0\">",
      "      <IMG src=\"" + site.counterImage + "\">",
      "    </td>",
      "    <td width=\"20%\">",
      // "suport", an ideographic space, the legend link.
      "      <p style=\"margin-left: 0\">suport\xE3\x80\x80<A href=\"" + site.legendPage +
          "\" target=\"_blank\">凡例</A></td>",
      cell,
      "       " + std::string(kSlot1Placeholder),
      "    </td>",
      cell,
      "       " + std::string(kSlot2Placeholder),
      "    </td>",
      "  </tr>",
      "  <tr>",
      empty,
      empty,
      "  </tr>",
      "</table><HR>",
  };
}

int SlotIndex(int pick) {
  return ((pick % kBannersPerSlot) + kBannersPerSlot) % kBannersPerSlot;
}

int Advance(int pick) {
  const int next = SlotIndex(pick) + 1;
  return next == kBannersPerSlot ? 0 : next;
}

}  // namespace

HomeSiteAddresses HomeSiteAddressesFor(const std::string& base) {
  return {base + "index.html",         base + "img/",
          base + "legend.html",        base + "banner/",
          base + "banner/banners.htm", base + "img/counter.gif"};
}

std::string DefaultBanner(const std::string& bannerFolder, const std::string& code) {
  const std::string t = "<A href=\"" + bannerFolder + std::string(kCodePlaceholder) +
                        ".htm\"><IMG hspace=0 src=\"" + bannerFolder +
                        std::string(kCodePlaceholder) + ".gif\" align=left>       </A>";
  return ReplaceAll(t, kCodePlaceholder, code);
}

void BuildHeaderBlock(App& app) {
  LineList& block = app.HeaderBlock();
  block.clear();
  const HomeSiteAddresses site = HomeSiteAddressesFor(HomeSiteBase(app));
  RunState& st = app.state;
  if (st.BannerEntries[0].empty()) SetUpBanners(app, site);

  block = BlockLines(site);
  const std::string& first = st.BannerEntries[SlotIndex(st.BannerPick1)];
  const std::string& second = st.BannerEntries[kBannersPerSlot + SlotIndex(st.BannerPick2)];
  for (std::string& line : block) {
    line = ReplaceAll(ReplaceAll(line, kSlot1Placeholder, first), kSlot2Placeholder, second);
  }
  st.BannerPick1 = Advance(st.BannerPick1);
  st.BannerPick2 = Advance(st.BannerPick2);
}

}  // namespace vex
