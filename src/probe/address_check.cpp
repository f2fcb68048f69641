#include "probe/address_check.h"

#include "context/app.h"
#include "context/texts.h"
#include "context/url_forms.h"
#include "probe/link_probe.h"

namespace vex {

std::string Button2Click(App& app) {
  RunState& st = app.state;
  st.CancelFlag = 0;
  const std::string target = st.CurrentTarget;
  std::string shown;
  const int kind = UrlKind(app, target, false);
  if (kind == kAddressExact || kind == kAddressMisspelt) {
    shown = "Http=" + ProbeLink(app, target);
  } else if (CheckFileAddress(app, target, PageText::Skip, AddressRole::Link) == kAddressExact) {
    shown = "Local=" + ProbeLink(app, target);
  } else {
    shown = "Local=" + std::string(texts::MarkNG[st.CharMode]);
  }
  app.ui.ShowMessage(shown);
  return shown;
}

}  // namespace vex
