// The language itself: each statement form, expressions and their
// precedence, literals, names in any case, comments, and what Print shows.
#include "script_support.h"

namespace {

using scripttest::run;

struct Case {
  const char* name;
  const char* source;
  const char* out;
};

class Language : public ::testing::TestWithParam<Case> {};

TEST_P(Language, PrintsWhatTheScriptComputes) {
  const auto o = run(GetParam().source);
  EXPECT_EQ(o.status, 0) << o;
  EXPECT_EQ(o.out, GetParam().out) << o;
}

const Case kCases[] = {
    {"Precedence", "Print 1 + 2 * 3, (1 + 2) * 3, -2 * 3, 7 / 2, 2 - 3 - 4, 8 / 2 / 2",
     "7\t9\t-6\t3.5\t-5\t2\n"},
    {"LogicBelowComparison", "Print 1 < 2 And 3 > 4 Or True, Not 1 = 2, 1 <= 1 And 2 >= 3",
     "True\tTrue\tFalse\n"},
    {"AndOrNotOnIntegersAreBitwise", "Print 5 And 3, 5 Or 2, Not 0", "1\t7\t-1\n"},
    {"IntegerArithmeticWraps", "Print &h7FFFFFFF + 1, -2147483648 - 1, 65536 * 65536",
     "-2147483648\t2147483647\t0\n"},
    {"HexLiteralKeepsAll32Bits",
     "Dim c As Color = &hFF00FF00\nPrint &hFF00FF00, c, FixtureColorBits(&hFF00FF00) = &hFF00FF00",
     "-16711936\t&hFF00FF00\tTrue\n"},
    {"DoublesInShortestForm", "Print 0.1 + 0.2, 1.0, 2.5e3, 1 / 3, -0.5",
     "0.30000000000000004\t1\t2500\t0.3333333333333333\t-0.5\n"},
    {"ColoursAndBooleans", "Print RGB(255, 0, 128), &c00FF00, True, False, Nil",
     "&hFF0080\t&h00FF00\tTrue\tFalse\tNil\n"},
    {"NamesInAnyCase", "dIM x aS iNTEGER = 3\nPRINT X, tvq_geterrormessage(0)",
     "3\tGeneral Error: No Error\n"},
    {"Comments",
     "' a whole line\nDim s As String = \"it's // not a comment\" ' but this is\nPrint s // and "
     "this\n",
     "it's // not a comment\n"},
    {"Strings",
     "Print \"a\"\"b\" + \"c\", LenB(\"h\xC3\xA9llo\"), EncodeHex(\"AZ\"), DecodeHex(\"415a\")",
     "a\"bc\t6\t415A\tAZ\n"},
    {"StringComparisonIsByBytes", "Print \"a\" < \"b\", \"a\" = \"A\"", "True\tFalse\n"},
    {"ColourEqualsIntegerOfSameBits", "Print RGB(255, 0, 0) = &hFF0000, RGB(0, 0, 1) <> 1",
     "True\tFalse\n"},
    {"DimForms",
     "Dim i As Integer\nDim d As Double = 2\nDim a() As Integer = Array(1, 2, 1)\n"
     "Dim b As New FixtureBox\nDim p As Picture\nPrint i, d, a, b, p, p = Nil",
     "0\t2\tArray(1, 2, 1)\tFixtureBox\tNil\tTrue\n"},
    {"AssignmentPropertyAndAssignableMethod",
     "Dim b As New FixtureBox\nb.Scale = 2.5\nb.Item(2) = 7\nDim i As Integer\ni = b.Item(2) + 1\n"
     "Print b.Scale, b.Item(2), b.Item(1), i",
     "2.5\t7\t0\t8\n"},
    {"CallStatementsWithAndWithoutParentheses",
     "Dim r As New TVQ_Rectangle\nr.MoveTo(3, 4)\nr.OffsetBy 1, 1\nr.Resize 2, "
     "2\nTVQ_GetLastError\n"
     "Print r.left, r.top, r.Area",
     "4\t5\t4\n"},
    {"PicturesAndTheirSize",
     "Dim p As Picture = NewPicture(4, 3, 8)\nPrint p, p.Width, p.Height, p.Depth, "
     "p.RGBSurface.Pixel(3, 2)",
     "Picture(4x3x8)\t4\t3\t8\t&hFFFFFF\n"},
    {"MemoryBlockBytes",
     "Dim m As MemoryBlock = NewMemoryBlock(4)\nm.Byte(1) = 200\nPrint m, m.Size, m.Byte(1), "
     "m.Byte(0)",
     "MemoryBlock(4)\t4\t200\t0\n"},
    {"PrintWithoutArguments", "Print\nPrint 1", "\n1\n"},
};

INSTANTIATE_TEST_SUITE_P(Script, Language, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Pixel(x, y) counts y from the top as the picture is seen; host pictures
// keep their rows bottom-up, so the top row is the last one in memory.
TEST(Pixels, YCountsFromTheTopWhileTheHostStoresRowsBottomUp) {
  std::ostringstream out, err;
  rbscript::Session session(out, err, scripttest::allPlugins());
  ASSERT_EQ(
      session.run(
          "t",
          "Dim p As Picture = NewPicture(2, 3, 24)\n"
          "p.RGBSurface.Pixel(1, 0) = &hFF0000\n"
          "p.RGBSurface.Pixel(0, 2) = &h0000FF\n"
          "Print p.RGBSurface.Pixel(1, 0), p.RGBSurface.Pixel(0, 2), p.RGBSurface.Pixel(0, 0)"),
      0)
      << err.str();
  EXPECT_EQ(out.str(), "&hFF0000\t&h0000FF\t&hFFFFFF\n");
  auto p = reinterpret_cast<RbPicture>(session.interpreter().find("p")->value.handle());
  rbhost::Host& host = session.host();
  EXPECT_EQ(host.pixel(p, 1, 2), (rbhost::Rgb{255, 0, 0}));  // visual row 0 = memory row 2
  EXPECT_EQ(host.pixel(p, 0, 0), (rbhost::Rgb{0, 0, 255}));
  EXPECT_EQ(session.finish(), 0) << err.str();
}

}  // namespace
