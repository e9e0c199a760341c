// Calls into the plug-ins: overloads chosen by argument type, declared
// defaults, ByRef write-back and Nil for no reference, values typed by what
// the host object is, extension methods in both forms with a Nil receiver,
// class properties (direct and through accessors) and assignable methods.
#include "script_support.h"

namespace {

using scripttest::run;

void expectOutput(const std::string& source, const std::string& expected) {
  const auto o = run(source);
  EXPECT_EQ(o.status, 0) << o;
  EXPECT_EQ(o.out, expected) << o;
}

void expectError(const std::string& source, const std::string& firstLine) {
  const auto o = run(source);
  EXPECT_EQ(o.status, rbscript::kExitError) << o;
  EXPECT_EQ(o.err.substr(0, o.err.find('\n')), firstLine) << o;
}

TEST(Overloads, AreChosenByArgumentType) {
  expectOutput(
      "Print FixtureKind(1), FixtureKind(1.5), FixtureKind(RGB(1, 2, 3)), "
      "FixtureKind(NewPicture(1, 1, 24)), FixtureKind(&hFF), FixtureKind(Nil)",
      "integer\tdouble\tcolor\tpicture\tinteger\tnil picture\n");
}

TEST(Overloads, NoMatchListsTheCandidates) {
  const auto o = run("Print 1\nPrint FixtureKind(\"text\")");
  EXPECT_EQ(o.status, rbscript::kExitError);
  EXPECT_EQ(o.err,
            "t:2:7: error: no declaration of FixtureKind takes (String); the candidates are:\n"
            "    FixtureKind(x as integer) as string\n"
            "    FixtureKind(x as double) as string\n"
            "    FixtureKind(x as color) as string\n"
            "    FixtureKind(x as picture) as string\n");
}

TEST(Overloads, ClassMethodsListTheirClass) {
  const auto o = run("Dim r As New TVQ_Rectangle\nr.OffsetBy(1)");
  EXPECT_EQ(o.status, rbscript::kExitError);
  EXPECT_NE(o.err.find("    OffsetBy(h as integer, v as integer) (of TVQ_Rectangle)"),
            std::string::npos)
      << o;
}

TEST(Defaults, AreSuppliedWhenOmitted) {
  expectOutput("Print FixtureSum(1, 2), FixtureSum(1, 2, False), FixtureSum(1, 0.5, True)",
               "6\t3\t3\n");
}

TEST(ByRef, WritesTheOutputsBackIntoTheVariables) {
  expectOutput(
      "Dim h As Integer = -1\nDim l As Double = -1\nDim both As Boolean = FixtureSplit(1234, h, "
      "l)\n"
      "Print both, h, l",
      "True\t12\t0.34\n");
}

TEST(ByRef, NilPassesNoReference) {
  expectOutput(
      "Dim h As Integer = -1\nDim l As Double = -1\nPrint FixtureSplit(1234, Nil, l), h, l\n"
      "Print FixtureSplit(5678, h, Nil), h, l",
      "False\t-1\t0.34\nFalse\t56\t0.34\n");
}

TEST(ByRef, NeedsAVariableOfTheParameterType) {
  expectError("Dim l As Double\nPrint FixtureSplit(1, 2, l)",
              "t:2:7: error: no declaration of FixtureSplit takes (Integer, Integer, Double); the "
              "candidates are:");
  expectError("Dim h As Double\nDim l As Double\nPrint FixtureSplit(1, h, l)",
              "t:3:7: error: no declaration of FixtureSplit takes (Integer, Double, Double); the "
              "candidates are:");
}

// The plug-in drops the block it gets and stores a new one; the variable
// ends with the new block and the audit stays clean.
TEST(ByRef, AnObjectReplacedByThePlugInIsOwnedByTheVariable) {
  expectOutput(
      "Dim m As MemoryBlock = NewMemoryBlock(4)\nDim keep As MemoryBlock = m\nFixtureRenew(m, 8)\n"
      "Dim n As MemoryBlock\nFixtureRenew(n, 3)\nPrint m.Size, n.Size, keep.Size, keep = m",
      "8\t3\t4\tFalse\n");
}

TEST(Values, AreTypedByWhatTheHostObjectIs) {
  expectOutput(
      "Dim p As Picture = NewPicture(2, 2, 24)\nDim m As MemoryBlock = p.FixtureBlockOf\n"
      "Print m, FixtureBlockOf(p)",
      "MemoryBlock(16)\tMemoryBlock(16)\n");
  expectError("Dim p As Picture = NewPicture(2, 2, 24)\nDim q As Picture = p.FixtureBlockOf",
              "t:2:22: error: cannot assign MemoryBlock to q (Picture)");
}

TEST(Extensions, CanBeCalledOnTheReceiverOrWithItFirstAndTakeNil) {
  expectOutput(
      "Dim p As Picture\nDim q As Picture = NewPicture(5, 2, 24)\n"
      "Print p.FixtureIsNil, FixtureIsNil(p), FixtureIsNil(Nil), q.FixtureIsNil\n"
      "Print q.FixtureWidth, p.FixtureWidth, q.FixtureSameAs(q), FixtureSameAs(q, p)",
      "True\tTrue\tTrue\tFalse\n5\t-1\tTrue\tFalse\n");
}

TEST(Classes, ADirectPicturePropertyHoldsItsOwnReference) {
  expectOutput(
      "Dim b As New FixtureBox\nb.Content = NewPicture(7, 1, 24)\nPrint b.ContentWidth, "
      "b.Content.Width\n"
      "b.Content = NewPicture(3, 1, 24)\nDim c As Picture = b.Content\nb.Content = Nil\n"
      "Print b.ContentWidth, c.Width, b.Content",
      "7\t7\n-1\t3\tNil\n");
}

TEST(Classes, OnlyAssignableMethodsTakeAssignment) {
  expectError("Dim b As New FixtureBox\nb.ContentWidth = 3",
              "t:2:3: error: no declaration of ContentWidth takes (FixtureBox) and an assigned "
              "Integer; the candidates are:");
  expectError("Dim b As New FixtureBox\nb.Item(1) = \"x\"",
              "t:2:3: error: no declaration of Item takes (FixtureBox, Integer) and an assigned "
              "String; the candidates are:");
}

TEST(Rectangle, PropertiesAndMethodsThroughTheGraphicsPlugIn) {
  expectOutput(
      "Dim r As New TVQ_Rectangle\nPrint r.IsValid, r.Area, r.right\n"
      "r.right = 9\nr.left = 5\nPrint r.width, r.right\n"
      "Dim s As New TVQ_Rectangle\ns.MoveTo 20, 20\ns.Resize(5, 5)\nr.UnionWith(s)\n"
      "Print r.left, r.top, r.width, r.height, r.Contains(s), s.Contains(r), r.Equals(r)\n"
      "r.MessageBox",
      "False\t0\t-1\n10\t14\n5\t0\t20\t25\tTrue\tFalse\tTrue\n"
      "message box: left: 5 top: 0 right: 24 bottom: 24\nwidth: 20 height: 25\nvalid\n");
}

TEST(GraphicsErrors, ANilArgumentSetsTheLastError) {
  expectOutput(
      "Dim p As Picture\nDim q As Picture = NewPicture(2, 2, 24)\nDim r As Picture = q.TVQ_Add(p)\n"
      "Print r, TVQ_GetLastError, TVQ_GetErrorMessage(TVQ_GetLastError)\n"
      "r = TVQ_Add(p, q)\nPrint r, TVQ_GetLastError\nr = q.TVQ_Add(q)\nPrint r, TVQ_GetLastError",
      "Nil\t17\tGeneral Error: \"addend\" is nil\nNil\t2\nPicture(2x2x24)\t0\n");
}

// The graphics plug-in counts rows in memory order: a rectangle at top 0
// selects the bottom row of the picture as it is seen.
TEST(GraphicsRows, TopZeroIsTheBottomRowAsSeen) {
  expectOutput(
      "Dim p As Picture = NewPicture(1, 2, 24)\np.RGBSurface.Pixel(0, 0) = &h000000\n"
      "p.RGBSurface.Pixel(0, 1) = &h000000\nDim r As New TVQ_Rectangle\nr.Resize 1, 1\n"
      "Dim q As Picture = p.TVQ_AdjustRGB(r, 10, 20, 30)\n"
      "Print q.RGBSurface.Pixel(0, 0), q.RGBSurface.Pixel(0, 1)",
      "&h000000\t&h0A141E\n");
}

}  // namespace
