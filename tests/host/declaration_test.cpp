#include "rbhost/declaration.h"

#include <gtest/gtest.h>

namespace rbhost {
namespace {

struct ParsedCase {
  const char* text;
  const char* name;
  std::vector<std::string> signature;  // describe() of each parameter
  const char* returnType;
  bool parentheses;
};

class ParsesDeclaration : public ::testing::TestWithParam<ParsedCase> {};

TEST_P(ParsesDeclaration, IntoNameParametersAndResult) {
  const ParsedCase& c = GetParam();
  auto d = parseDeclaration(c.text);
  ASSERT_TRUE(d.has_value()) << c.text;
  EXPECT_EQ(d->name, c.name);
  std::vector<std::string> signature;
  for (const Parameter& p : d->parameters) signature.push_back(describe(abiTypeOf(p)));
  EXPECT_EQ(signature, c.signature);
  EXPECT_EQ(d->returnType, c.returnType);
  EXPECT_EQ(d->hasParentheses, c.parentheses);
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, ParsesDeclaration,
    ::testing::Values(
        ParsedCase{"TVQ_GetLastError() as integer", "TVQ_GetLastError", {}, "integer", true},
        ParsedCase{"TVQ_Add(extends p as picture, addend as picture) as picture",
                   "TVQ_Add",
                   {"picture", "picture"},
                   "picture",
                   true},
        ParsedCase{"TVQ_GetAverageHSV(rect as TVQ_Rectangle, ByRef hue_degrees as double, "
                   "ByRef saturation as double, ByRef brightness as double)",
                   "TVQ_GetAverageHSV",
                   {"object", "ByRef double", "ByRef double", "ByRef double"},
                   "",
                   true},
        ParsedCase{"SetCoefficients(coeffs() as integer)", "SetCoefficients", {"array"}, "", true},
        ParsedCase{"TVQ_Convolute(extends p as picture, rect as TVQ_Rectangle, horiz_convolution "
                   "as TVQ_Convolution,vert_convolution as TVQ_Convolution) as picture",
                   "TVQ_Convolute",
                   {"picture", "object", "object", "object"},
                   "picture",
                   true},
        ParsedCase{"TVQ_Composite(extends cp as TVQ_ClientPicture, overlay as TVQ_ClientPicture, "
                   "overlay_fraction as double, left as integer, top as integer, as_picture as "
                   "boolean = false) as TVQ_ClientPicture",
                   "TVQ_Composite",
                   {"object", "object", "double", "integer", "integer", "boolean"},
                   "TVQ_ClientPicture",
                   true},
        ParsedCase{"ScreenshotZRW as picture", "ScreenshotZRW", {}, "picture", false},
        ParsedCase{"PaintDesktopZRW", "PaintDesktopZRW", {}, "", false},
        ParsedCase{"CountColorsZRW(byref red as memoryblock, byref count as integer)",
                   "CountColorsZRW",
                   {"ByRef memoryblock", "ByRef integer"},
                   "",
                   true},
        ParsedCase{"TintPictureZRW(source as picture, GreyBase as color) as picture",
                   "TintPictureZRW",
                   {"picture", "color"},
                   "picture",
                   true}));

TEST(Declaration, DefaultValueAndExtendsAreKept) {
  auto d = parseDeclaration("F(extends p as picture, flag as boolean = false)");
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->extends());
  EXPECT_EQ(d->parameters[1].defaultValue, "false");
}

TEST(Declaration, RejectsMalformedText) {
  for (const char* text : {"", "(x as integer)", "F(x integer)", "F(x as integer", "F() as",
                           "F(a as integer, extends p as picture)", "F() as integer junk"}) {
    EXPECT_FALSE(parseDeclaration(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace rbhost
