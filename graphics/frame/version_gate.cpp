#include "graphics/frame/version_gate.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "graphics/frame/host_message.h"

namespace tvq {
namespace {

constexpr const char* kVendorPage = "http://www.example.com/tvq";

}  // namespace

bool hostVersionAccepted(double version) {
  // Compared as doubles, so a NaN or huge version is simply refused instead of
  // going through an integer conversion.
  const double whole = std::trunc(version);
  return whole == 2005.0 || whole == 2006.0 || version == 5.5;
}

void explainRejectedVersion(double version) {
  std::array<char, 200> found{};
  std::snprintf(found.data(), found.size(), "rb_version: %f", version);
  showMessage(found.data());

  std::array<char, 512> qualification{};
  std::snprintf(qualification.data(), qualification.size(), "%s%s%s",
                "This verion of Tavq Graphics is qualified for REALbasic REALbasic 2005 only. If "
                "you are using a previous or future version of REALbasic, please visit ",
                kVendorPage, " for information on other versions.");
  showMessage(qualification.data());
}

}  // namespace tvq
