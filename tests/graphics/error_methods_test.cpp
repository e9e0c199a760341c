// TVQ_GetLastError and TVQ_GetErrorMessage, called as a program calls them.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "rbhost/host.h"
#include "test_host.h"

namespace tvqtest {
namespace {

constexpr const char* kGetLastError = "TVQ_GetLastError() as integer";
constexpr const char* kGetErrorMessage = "TVQ_GetErrorMessage(error_code as integer) as String";

struct MessageCase {
  int32_t code;
  const char* message;
};

// Every message a program can see, byte for byte, and codes without one.
const MessageCase kMessages[] = {
    {0, "General Error: No Error"},
    {2, "General Error: \"source\" parameter is nil"},
    {3, "General Error: can't lock \"source\" picture"},
    {4, "General Error: can't lock intermediate picture"},
    {5, "General Error: can't lock result picture"},
    {6, "General Error: can't get DIB object"},
    {7, "General Error: \"mask\" parameter is nil"},
    {8, "General Error: can't lock \"mask\" picture"},
    {9, "General Error: \"mask\" is not same size as \"source\""},
    {10, "General Error: \"mask\" is not greyscale (1, 2, 4, or 8 bit)"},
    {11, "General Error: \"mask\" is not black and white (1 bit)"},
    {12, "General Error: \"overlay\" parameter is nil"},
    {13, "General Error: can't lock \"overlay\" picture"},
    {14, "General Error: \"overlay_fraction\" positioned out of bounds"},
    {15, "General Error: \"overlay\" positioned out of bounds"},
    {16, "General Error: \"overlay\" is wrong size"},
    {17, "General Error: \"addend\" is nil"},
    {18, "General Error: can't lock \"addend\" picture"},
    {19, "General Error: \"addend\" is wrong size"},
    {20, "General Error: \"subtractend\" is nil"},
    {21, "General Error: can't lock \"subtractend\" picture"},
    {22, "General Error: \"subtractend\" is wrong size"},
    {23, "General Error: \"color_matrix\" parameter is nil"},
    {24, "General Error: \"convolution\" parameter is nil"},
    {25, "TVQ_Pixelate Error: \"start_row\" parameter is out of bounds"},
    {26, "TVQ_Pixelate Error: \"start_col\" parameter is out of bounds"},
    {27, "TVQ_Pixelate Error: \"row_count\" parameter is out of bounds"},
    {28, "TVQ_Pixelate Error: \"col_count\" parameter is out of bounds"},
    {29, "TVQ_Pixelate Error: \"pixelation\" parameter is out of bounds"},
    {30, "Rotate Error: \"rotation\" parameter is out of bounds"},
    {31, "Rotate Error: \"rotation_oversample\" parameter is out of bounds"},
    {32, "Shear Error: \"shear_pixels\" parameter is out of bounds"},
    {33, "Stretch Error: \"width\" parameter is out of bounds"},
    {34, "Stretch Error: \"height\" parameter is out of bounds"},
    {35, "Stretch Error: \"oversample\" parameter is out of bounds"},
    {36, "Stretch Error: \"blur\" parameter is out of bounds"},
    {37, "Color Error: invalid selection"},
    {38, "Color Error: invalid trim area"},
    {39, "Color Error: red parameter out of bounds"},
    {40, "Color Error: green parameter out of bounds"},
    {41, "Color Error: blue parameter out of bounds"},
    {42, "Color Error: degrees out of bounds"},
    {43, "Color Error: saturation factor out of bounds"},
    {44, "Color Error: brightness factor out of bounds"},
    {45, "Color Error: ant size out of bounds"},
    {46, "Color Error: ant state out of bounds"},
    {47, "Color Error: bits per channel out of bounds"},
    {48, "Compare Error: \"compare\" parameter is nil"},
    {49, "Compare Error: can't lock \"compare\" picture"},
    {1, "Unknown Error"},
    {50, "Unknown Error"},
    {-1, "Unknown Error"},
    {INT32_MIN, "Unknown Error"},
    {INT32_MAX, "Unknown Error"},
};

class ErrorMethodsTest : public rbtest::GraphicsTest {
 protected:
  // The message as the program receives it; the string is the caller's, so
  // the test drops its reference once read.
  std::string message(int32_t code) {
    RbString s = host.call<RbString>(kGetErrorMessage, code);
    if (s == nullptr) return "<nil>";
    std::string bytes = host.stringBytes(s);
    host.release(s);
    return bytes;
  }
  int32_t lastError() { return host.call<int32_t>(kGetLastError); }
};

TEST_F(ErrorMethodsTest, EveryCodeHasItsMessage) {
  for (const MessageCase& c : kMessages) {
    EXPECT_EQ(message(c.code), c.message) << "code " << c.code;
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(ErrorMethodsTest, LastErrorStartsAtZeroAndMessagesDoNotTouchIt) {
  EXPECT_EQ(lastError(), 0);
  message(17);
  message(-1);
  EXPECT_EQ(lastError(), 0);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

class ErrorMethodsWithoutStringsTest : public rbtest::PluginTest {
 protected:
  ErrorMethodsWithoutStringsTest() : PluginTest(rbhost::graphicsPluginPath(), options()) {}
  static rbhost::HostOptions options() {
    rbhost::HostOptions o;
    o.missingServices = {"REALBuildString"};
    return o;
  }
};

TEST_F(ErrorMethodsWithoutStringsTest, MessageIsNil) {
  EXPECT_EQ(host.call<RbString>(kGetErrorMessage, int32_t{0}), nullptr);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace tvqtest
