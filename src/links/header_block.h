// The header block of every result page: the product image linked to the
// home page, the counter image, the link to the legend page and two banner
// slots that show one of eight banners each, consecutive pages showing
// consecutive banners. The first call also takes the banners from the home
// site's banner list page and adds their links to the no-check list.
#pragma once

#include <string>

namespace vex {

struct App;

// The home site's addresses, all below its base address.
struct HomeSiteAddresses {
  std::string homePage;
  std::string imageFolder;  // ends in "/"
  std::string legendPage;
  std::string bannerFolder;  // ends in "/"
  std::string bannerList;
  std::string counterImage;
};
HomeSiteAddresses HomeSiteAddressesFor(const std::string& base);

// The default banner for a code such as "c11".
std::string DefaultBanner(const std::string& bannerFolder, const std::string& code);

// Fills app.HeaderBlock() with the 24 lines of the block and advances the
// banner picks; the first call (while BannerEntries[0] is empty) sets up the
// banners, downloading the banner list page once.
void BuildHeaderBlock(App& app);

}  // namespace vex
