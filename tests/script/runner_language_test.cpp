// The language of `rbhost run` as a user runs it: a script file through the
// rbhost command, its output, its errors (file:line:column, and the calls an
// error came out of) and its exit status. Control flow, arrays, Subs and
// Functions, the built-ins, the host from a script, and the mistakes that
// must end in an error rather than a crash or a hang.
#include <filesystem>

#include "script_support.h"

namespace {

using scripttest::Command;
using scripttest::TempDir;

struct ScriptCase {
  const char* name;
  const char* source;
  int status;
  const char* out;
  const char* err;  // the whole error stream, the script named s.rbs
};

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

// Writes `source` to s.rbs in `dir` and runs it; the error stream names the
// script s.rbs whatever the folder.
Command runFile(const TempDir& dir, const std::string& source,
                const std::vector<std::string>& options = {}) {
  {
    std::ofstream f(dir.file("s.rbs"), std::ios::binary);
    f << source;
  }
  std::vector<std::string> args = {"run"};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back(dir.file("s.rbs"));
  Command c = scripttest::rbhost(dir, args);
  c.err = replaceAll(c.err, dir.file("s.rbs"), "s.rbs");
  return c;
}

class Runner : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(Runner, OutputErrorsAndStatus) {
  TempDir dir;
  const Command c = runFile(dir, GetParam().source);
  EXPECT_EQ(c.status, GetParam().status) << c.out << c.err;
  EXPECT_EQ(c.out, GetParam().out) << c.err;
  EXPECT_EQ(c.err, GetParam().err);
}

const ScriptCase kControlFlow[] = {
    {"IfElseIfElse",
     "For i As Integer = 1 To 4\n"
     "  If i = 1 Then\n    Print \"one\"\n  ElseIf i < 4 Then\n    Print \"few\", i\n"
     "  Else\n    Print \"many\"\n  End If\nNext\n",
     0, "one\nfew\t2\nfew\t3\nmany\n", ""},
    {"OneLineIf",
     "Dim x As Integer = 5\nIf x > 3 Then Print \"big\" Else Print \"small\"\n"
     "If x < 3 Then Print \"never\"\nIf x = 5 Then x = 6\nPrint x\n",
     0, "big\n6\n", ""},
    {"ForStepsBothWaysAndLeavesTheCounterPastTheLimit",
     "Dim i As Integer\nFor i = 10 To 1 Step -4\n  Print i\nNext i\nPrint i\n"
     "For d As Double = 0 To 1 Step 0.5\n  Print d\nNext\nFor j As Integer = 3 To 1\n  Print "
     "\"never\"\nNext\n",
     0, "10\n6\n2\n-2\n0\n0.5\n1\n", ""},
    {"ForToTheLargestIntegerEnds",
     "Dim n As Integer\nFor i As Integer = 2147483646 To 2147483647\n  n = n + 1\nNext\nPrint n\n",
     0, "2\n", ""},
    {"WhileWendAndDoLoops",
     "Dim n As Integer\nWhile n < 3\n  n = n + 1\nWend\nPrint n\n"
     "Do\n  n = n - 1\nLoop Until n = 0\nPrint n\n"
     "Do While n < 2\n  n = n + 1\nLoop\nPrint n\n"
     "Do Until n = 0\n  n = n - 1\nLoop\nPrint n\n"
     "Do\n  n = n + 1\nLoop While n < 4\nPrint n\n",
     0, "3\n0\n2\n0\n4\n", ""},
    {"ExitLeavesTheLoopItNames",
     "For i As Integer = 1 To 3\n  Dim j As Integer\n  While True\n    j = j + 1\n"
     "    If j = 2 Then Exit While\n    If i = 2 Then Exit For\n  Wend\n  Print i, j\nNext\n"
     "Dim k As Integer\nDo\n  k = k + 1\n  If k = 5 Then Exit\nLoop\nPrint k\n",
     0, "1\t2\n5\n", ""},
    {"SelectCaseOnIntegersAndStrings",
     "For i As Integer = 0 To 6\n  Select Case i\n  Case 0\n    Print \"zero\"\n"
     "  Case 1, 3\n    Print \"odd\"\n  Case 4 To 5\n    Print \"range\"\n  Case Else\n    Print "
     "\"else\", i\n  End Select\nNext\n"
     "Select Case \"b\" + \"c\"\nCase \"a\"\n  Print \"no\"\nCase \"bc\"\n  Print \"bc\"\nEnd "
     "Select\n",
     0, "zero\nodd\nelse\t2\nodd\nrange\nrange\nelse\t6\nbc\n", ""},
    {"BlocksAreScopes",
     "For i As Integer = 1 To 2\n  Dim inside As Integer = i * 10\n  Print inside\nNext\n"
     "Dim inside As String = \"free again\"\nPrint inside\n",
     0, "10\n20\nfree again\n", ""},
    {"ModAndNestedLoops",
     "Dim hits As Integer\nFor a As Integer = 1 To 10\n  For b As Integer = 1 To 10\n"
     "    If (a * b) Mod 7 = 0 Then hits = hits + 1\n  Next\nNext\nPrint hits, -7 Mod 3\n"
     "Print 7 \\ 2, -7 \\ 2, -2147483648 \\ -1, -2147483648 Mod -1\n",
     0, "19\t-1\n3\t-3\t-2147483648\t0\n", ""},
};

INSTANTIATE_TEST_SUITE_P(ControlFlow, Runner, ::testing::ValuesIn(kControlFlow),
                         [](const auto& info) { return std::string(info.param.name); });

const ScriptCase kArraysAndMethods[] = {
    {"ArraysOfEachTypeUBoundAppendRedim",
     "Dim a(2) As Integer\na(0) = 7\na(2) = a(0) * 2\nPrint a, UBound(a), a.UBound\n"
     "Dim s() As String\nPrint UBound(s)\ns.Append \"x\"\ns.Append(\"y\")\nPrint s, s(1)\n"
     "Redim a(4)\nPrint a\nRedim a(0)\nPrint a\nRedim a(-1)\nPrint UBound(a)\n"
     "Dim d(1) As Double\nd(1) = 3\nPrint d\nDim pics(1) As Picture\npics(0) = NewPicture(2, 2, "
     "8)\nPrint pics\n",
     0,
     "Array(7, 0, 14)\t2\t2\n-1\nArray(x, y)\ty\nArray(7, 0, 14, 0, 0)\nArray(7)\n-1\n"
     "Array(0, 3)\nArray(Picture(2x2x8), Nil)\n",
     ""},
    {"ArraysAreSharedLikeObjects",
     "Dim a() As Integer = Array(1, 2)\nDim b() As Integer = a\nb(0) = 9\nb.Append 3\nPrint a\n", 0,
     "Array(9, 2, 3)\n", ""},
    {"IntegerArrayFromDimGoesToAnIntegerArrayParameter",
     "Dim c(2) As Integer\nFor i As Integer = 0 To 2\n  c(i) = i + 1\nNext\n"
     "Dim k As New TVQ_Convolution\nk.SetCoefficients c\nk.MessageBox\n",
     0, "message box: width: 3; sum: 0\n1,2,3\n", ""},
    {"RecursionByValAndByRef",
     "Function Fib(n As Integer) As Integer\n  If n < 2 Then Return n\n  Return Fib(n - 1) + "
     "Fib(n - 2)\nEnd Function\n"
     "Sub Bump(ByRef x As Integer, ByVal y As Integer)\n  x = x + 1\n  y = y + 1\nEnd Sub\n"
     "Dim a As Integer = 1\nDim b As Integer = 1\nBump a, b\nBump(a, b)\nPrint Fib(15), a, b\n",
     0, "610\t3\t1\n", ""},
    {"RecursionToTheStatedDepth",
     "Function Depth(n As Integer) As Integer\n  If n = 1 Then Return 1\n  Return 1 + Depth(n - "
     "1)\nEnd Function\nPrint Depth(1000)\n",
     0, "1000\n", ""},
    {"ExitSubReturnWithoutValueAndDefaultResult",
     "Sub Early(n As Integer)\n  If n > 0 Then Exit Sub\n  Print \"zero\"\nEnd Sub\n"
     "Function Nothing() As String\nEnd Function\n"
     "Function Half(x As Double) As Double\n  Return x / 2\nEnd Function\n"
     "Early 1\nEarly 0\nPrint \"[\" + Nothing + \"]\", Half(3)\n",
     0, "zero\n[]\t1.5\n", ""},
    {"MethodsSeeTheirOwnVariablesAndArraysAsParameters",
     "Function Total(values() As Integer) As Integer\n  Dim sum As Integer\n"
     "  For i As Integer = 0 To UBound(values)\n    sum = sum + values(i)\n  Next\n  Return "
     "sum\nEnd Function\n"
     "Dim sum As Integer = 100\nPrint Total(Array(1, 2, 3)), sum\n",
     0, "6\t100\n", ""},
    {"FunctionsMayBeDefinedAfterUse",
     "Print Square(4)\nFunction Square(x As Integer) As Integer\n  Return x * x\nEnd Function\n", 0,
     "16\n", ""},
};

INSTANTIATE_TEST_SUITE_P(ArraysAndMethods, Runner, ::testing::ValuesIn(kArraysAndMethods),
                         [](const auto& info) { return std::string(info.param.name); });

const ScriptCase kBuiltins[] = {
    {"StrValFormatHex",
     "Print Str(42), Str(-1.5), Val(\"  12.5abc\"), Val(\"x\"), Val(\"&hFF\"), Val(\"-3e2\")\n"
     "Print Format(3.14159, \"0.00\"), Format(7, \"000\"), Format(0, \"#\"), Format(12, \"#\"), "
     "Format(2.5, \"0\"), Format(-0.004, \"0.00\"), Format(1234567.891, \"#,##0.00\"), "
     "Format(0.5, \"#.##\")\n"
     "Print Hex(255), Hex(-1), Hex(0), Hex(&c102030)\n",
     0,
     "42\t-1.5\t12.5\t0\t255\t-300\n3.14\t007\t\t12\t3\t0.00\t1,234,567.89\t.5\n"
     "FF\tFFFFFFFF\t0\t102030\n",
     ""},
    {"NumbersAbsMinMaxRounding",
     "Print Abs(-3), Abs(-2.5), Abs(-2147483648), Min(3, 1, 2), Max(1.5, 2), Min(-1, 0.5)\n"
     "Print Round(2.5), Round(-2.5), Floor(-1.5), Ceil(1.2), Sqrt(16), Sqrt(-1) = Sqrt(-1)\n",
     0, "3\t2.5\t-2147483648\t1\t2\t-1\n3\t-3\t-2\t2\t4\tFalse\n", ""},
    {"StringsCountCharacters",
     "Print Len(\"h\xC3\xA9llo\"), LenB(\"h\xC3\xA9llo\"), Mid(\"h\xC3\xA9llo\", 2, 3), "
     "Mid(\"abc\", 2), Mid(\"abc\", 9), Left(\"abc\", 2), Left(\"abc\", 9), Right(\"abc\", 2), "
     "Right(\"abc\", 0)\n"
     "Print InStr(\"Hello\", \"LL\"), InStr(3, \"abcabc\", \"a\"), InStr(\"abc\", \"z\"), "
     "InStr(\"h\xC3\xA9llo\", \"l\")\n",
     0, "5\t6\t\xC3\xA9ll\tbc\t\tab\tabc\tbc\t\n3\t4\t0\t3\n", ""},
    {"TicksAndMicrosecondsTimeACall",
     "Dim t As Double = Microseconds\nDim k As Integer = Ticks\n"
     "Dim p As Picture = NewPicture(64, 64, 24)\nDim r As New TVQ_Rectangle\nr.Resize 64, 64\n"
     "Dim q As Picture = p.TVQ_AdjustRGB(r, 1, 2, 3)\n"
     "Assert Microseconds >= t And Ticks >= k And k >= 0\nPrint \"timed\"\n",
     0, "timed\n", ""},
};

INSTANTIATE_TEST_SUITE_P(Builtins, Runner, ::testing::ValuesIn(kBuiltins),
                         [](const auto& info) { return std::string(info.param.name); });

const ScriptCase kHost[] = {
    {"PicturesOfEitherStorage",
     "Dim g As Picture = NewPicture(3, 2, 24)\nDim d As Picture = NewPicture(3, 2, 24, True)\n"
     "Dim two As Picture = NewPicture(3, 2, 2, True)\n"
     "Print g.DIBSection, d.DIBSection, two.DIBSection, d, d.RGBSurface.Pixel(2, 1)\n",
     0, "False\tTrue\tFalse\tPicture(3x2x24)\t&hFFFFFF\n", ""},
    {"MasksOfEveryDepth",
     "Dim p As Picture = NewPicture(4, 4, 24)\nDim depths() As Integer = Array(1, 8, 16, 24, 32)\n"
     "For i As Integer = 0 To UBound(depths)\n  Dim m As Picture = NewPicture(4, 4, depths(i))\n"
     "  p.Mask = m\n  Print p.Mask.Depth, p.Mask = m\nNext\np.Mask = Nil\nPrint p.Mask.Depth\n",
     0, "1\tTrue\n8\tTrue\n16\tTrue\n24\tTrue\n32\tTrue\n8\n", ""},
    {"StoredBitsOfAPixel",
     "Dim p32 As Picture = NewPicture(2, 2, 32)\np32.RGBSurface.RawPixel(1, 0) = &h80FF0000\n"
     "Print Hex(p32.RGBSurface.RawPixel(1, 0)), p32.RGBSurface.Pixel(1, 0)\n"
     "Dim p16 As Picture = NewPicture(2, 2, 16)\nPrint Hex(p16.RGBSurface.RawPixel(0, 0))\n"
     "p16.RGBSurface.RawPixel(0, 1) = &hFC00\nPrint Hex(p16.RGBSurface.RawPixel(0, 1)), "
     "p16.RGBSurface.Pixel(0, 1)\n"
     "Dim p8 As Picture = NewPicture(2, 2, 8)\np8.RGBSurface.Pixel(0, 0) = &c000000\n"
     "Print p8.RGBSurface.RawPixel(0, 0), p8.RGBSurface.RawPixel(1, 0)\n",
     0, "80FF0000\t&hFF0000\n7FFF\nFC00\t&hF80000\n0\t255\n", ""},
    {"MemoryBlockAccessors",
     "Dim m As MemoryBlock = NewMemoryBlock(8)\nm.Long(0) = -2\nm.UInt16(4) = 65535\n"
     "m.DoubleValue(0) = 0.5\nm.Long(4) = &h01020304\n"
     "Print m.Byte(4), m.Short(4), m.UInt32(4), m.Int8(7), m.DoubleValue(0) = 0.5\n",
     0, "4\t772\t16909060\t1\tFalse\n", ""},
    {"MemoryBlockOfUnknownSizeFromAPlugin",
     "Dim web As PaletteZRW = NewWebPaletteZRW\nDim mem As MemoryBlock = web.Mem\n"
     "Print mem, Hex(mem.Long(0)), Hex(mem.Long(20)), web.Col(5)\nmem.Long(0) = &h00FF00\nPrint "
     "web.Col(0)\n",
     0, "MemoryBlock(?)\tFFFFFF\tFFFF00\t&hFFFF00\n&h00FF00\n", ""},
    {"FaultsFromAScript",
     "Dim p As Picture = NewPicture(4, 4, 24)\nDim r As New TVQ_Rectangle\nr.Resize 4, 4\n"
     "FailNewPictureAfter(0)\nPrint p.TVQ_AdjustRGB(r, 10, 0, 0), TVQ_GetLastError\nRestoreHost\n"
     "FailPictureLocks(p)\nPrint p.TVQ_AdjustRGB(r, 10, 0, 0), TVQ_GetLastError\nRestoreHost\n"
     "Print p.TVQ_AdjustRGB(r, 10, 0, 0), TVQ_GetLastError\n",
     0, "Nil\t5\nNil\t3\nPicture(4x4x24)\t0\n", ""},
    {"HostServiceRemovedBeforeItsFirstUse",
     "RemoveHostService(\"newPicture\")\nDim p As Picture = NewPicture(4, 4, 24)\n"
     "Dim r As New TVQ_Rectangle\nr.Resize 4, 4\nPrint p.TVQ_AdjustRGB(r, 10, 0, 0), "
     "TVQ_GetLastError\nRestoreHost\nPrint p.TVQ_AdjustRGB(r, 10, 0, 0), TVQ_GetLastError\n",
     0, "Nil\t5\nPicture(4x4x24)\t0\n", ""},
};

INSTANTIATE_TEST_SUITE_P(Host, Runner, ::testing::ValuesIn(kHost),
                         [](const auto& info) { return std::string(info.param.name); });

const ScriptCase kErrors[] = {
    {"IndexOutOfRangeNamesTheLine", "Dim a(2) As Integer\nPrint a(1)\na(3) = 1\n", 2, "0\n",
     "s.rbs:3:3: error: index 3 is outside 0 to 2 of a\n"},
    {"ErrorInASubNamesEveryCallingLine",
     "Sub Inner(values() As Integer)\n  Print values(5)\nEnd Sub\nSub Outer()\n"
     "  Dim b(1) As Integer\n  Inner b\nEnd Sub\nPrint \"start\"\nOuter\n",
     2, "start\n",
     "s.rbs:2:16: error: index 5 is outside 0 to 1 of values\n"
     "s.rbs:6:3: note: Inner called from here\ns.rbs:9:1: note: Outer called from here\n"},
    {"RecursionWithoutEnd",
     "Function F(n As Integer) As Integer\n  Return F(n + 1)\nEnd Function\nPrint F(0)\n", 2, "",
     "s.rbs:2:10: error: calls nest deeper than 1000 (F without end?)\n"
     "s.rbs:2:10: note: F called from here\ns.rbs:2:10: note: F called from here\n"
     "s.rbs:2:10: note: F called from here\ns.rbs:2:10: note: F called from here\n"
     "s.rbs:2:10: note: F called from here\ns.rbs:2:10: note: F called from here\n"
     "s.rbs:2:10: note: F called from here\ns.rbs:2:10: note: F called from here\n"
     "s.rbs:2:10: note: F called from here\ns.rbs:2:10: note: F called from here\n"
     "s.rbs: note: ... 989 more calls\ns.rbs:4:7: note: F called from here\n"},
    {"MissingEndIf", "If True Then\n  Print 1\n", 2, "",
     "s.rbs:3:1: error: 'elseif' expected, found end of input\n"},
    {"StrayNext", "Print 1\nNext\n", 2, "",
     "s.rbs:2:1: error: 'Next' without the statement that opens it\n"},
    {"NextOfAnotherVariable", "For i As Integer = 1 To 2\nNext j\n", 2, "",
     "s.rbs:2:6: error: Next j closes the loop of i\n"},
    {"ExitForOutsideAFor", "While True\n  Exit For\nWend\n", 2, "",
     "s.rbs:2:8: error: Exit For outside a For loop\n"},
    {"SubReturnsNoValue", "Sub S()\n  Return 1\nEnd Sub\n", 2, "",
     "s.rbs:2:10: error: a Sub returns no value\n"},
    {"ReturnOutsideAMethod", "Return 1\n", 2, "",
     "s.rbs:1:1: error: Return outside a Sub or Function\n"},
    {"IntegerDivisionByZero", "Print 1 \\ 0\n", 2, "", "s.rbs:1:9: error: division by zero\n"},
    {"StepZero", "For i As Integer = 1 To 2 Step 0\nNext\n", 2, "",
     "s.rbs:1:32: error: a Step of 0 never ends the loop\n"},
    {"ConditionMustBeBoolean", "If 1 Then Print 1\n", 2, "",
     "s.rbs:1:4: error: If needs a Boolean, not Integer\n"},
    {"ByRefNeedsAVariable", "Sub S(ByRef x As Integer)\nEnd Sub\nS 1 + 1\n", 2, "",
     "s.rbs:3:5: error: the ByRef parameter x of S needs a variable\n"},
    {"WrongArgumentCount", "Sub S(x As Integer)\nEnd Sub\nS\n", 2, "",
     "s.rbs:3:1: error: S takes 1 argument, not 0\n"},
    {"FunctionReturnsWrongType",
     "Function F() As Integer\n  Return \"x\"\nEnd Function\nPrint F()\n", 2, "",
     "s.rbs:2:10: error: F returns Integer, not String\ns.rbs:4:7: note: F called from here\n"},
    {"ElementOfANilArray", "Dim n() As Integer = Nil\nPrint n\nPrint n(0)\n", 2, "Nil\n",
     "s.rbs:3:7: error: an element of the Nil array n\n"},
    {"PropertyOfANilInstanceAssigned", "Dim r As TVQ_Rectangle\nr.left = 3\n", 2, "",
     "s.rbs:2:3: error: left of a Nil TVQ_Rectangle\n"},
    {"PropertyOfANilInstanceRead", "Dim r As TVQ_Rectangle\nPrint r.Area\n", 2, "",
     "s.rbs:2:9: error: Area of a Nil TVQ_Rectangle\n"},
    {"MethodOfANilInstance", "Dim r As TVQ_Rectangle\nr.MoveTo 1, 2\n", 2, "",
     "s.rbs:2:3: error: MoveTo of a Nil TVQ_Rectangle\n"},
    {"ExtensionMethodStillTakesANilReceiver",
     "Dim none As Picture\nDim r As New TVQ_Rectangle\nPrint none.TVQ_AdjustRGB(r, 1, 1, 1), "
     "TVQ_GetLastError\n",
     0, "Nil\t2\n", ""},
    {"PixelOfANilSurfaceReadsTheSameBothWays",
     "Dim s As RGBSurface\nDim c As Color\nc = s.Pixel(0, 0)\n", 2, "",
     "s.rbs:3:7: error: Pixel of a Nil RGBSurface\n"},
    {"PixelOfANilSurfaceAssigned", "Dim s As RGBSurface\ns.Pixel(0, 0) = &c000000\n", 2, "",
     "s.rbs:2:3: error: Pixel of a Nil RGBSurface\n"},
    {"StoredValueTooWideForTheDepth",
     "Dim p As Picture = NewPicture(1, 1, 16)\np.RGBSurface.RawPixel(0, 0) = &h10000\n", 2, "",
     "s.rbs:2:14: error: a 16-bit pixel cannot store &h10000\n"},
    {"MaskOfAnotherSize", "Dim p As Picture = NewPicture(2, 2, 24)\np.Mask = NewPicture(3, 2, 8)\n",
     2, "", "s.rbs:2:3: error: a mask has the size of its picture\n"},
    {"PictureAsItsOwnMask", "Dim p As Picture = NewPicture(2, 2, 8)\np.Mask = p\n", 2, "",
     "s.rbs:2:3: error: a picture cannot be its own mask\n"},
    {"MemoryBlockOffsetOutside", "Dim m As MemoryBlock = NewMemoryBlock(4)\nPrint m.Long(1)\n", 2,
     "", "s.rbs:2:14: error: offset 1 is outside 0 to 0 for Long\n"},
    {"UnknownHostService", "RemoveHostService(\"noSuchService\")\n", 2, "",
     "s.rbs:1:19: error: the host has no service named noSuchService\n"},
    {"ListFilesOfAFile", "Dim f() As String = ListFiles(\"/nonexistent-folder\")\n", 2, "",
     "s.rbs:1:31: error: /nonexistent-folder is not a folder\n"},
};

INSTANTIATE_TEST_SUITE_P(Errors, Runner, ::testing::ValuesIn(kErrors),
                         [](const auto& info) { return std::string(info.param.name); });

// Nesting that would overflow the stack of a recursive parser or
// interpreter, or of the syntax tree's destruction: an error naming the line.
TEST(RunnerRobustness, DeepNestingEndsInAnErrorNamingTheLine) {
  const struct {
    const char* name;
    std::string source;
    std::string err;
  } cases[] = {
      {"parentheses", "Print 1\nPrint " + std::string(5000, '(') + "1" + std::string(5000, ')'),
       "s.rbs:2:1005: error: nested too deeply (more than 1000 levels)\n"},
      {"Not",
       [] {
         std::string s = "Print 1\nPrint ";
         for (int i = 0; i < 5000; ++i) s += "Not ";
         return s + "True";
       }(),
       "s.rbs:2:3995: error: nested too deeply (more than 1000 levels)\n"},
      {"sum",
       [] {
         std::string s = "Print 1\nPrint 1";
         for (int i = 0; i < 10000; ++i) s += " + 1";
         return s;
       }(),
       "s.rbs:2:4005: error: expression nested too deeply (more than 1000 levels)\n"},
      {"blocks",
       [] {
         std::string s = "Print 1\n";
         for (int i = 0; i < 3000; ++i) s += "If True Then\n";
         return s;
       }(),
       "s.rbs:501:4: error: nested too deeply (more than 1000 levels)\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const Command r = runFile(dir, c.source);
    EXPECT_EQ(r.status, 2) << c.name << r.err;
    EXPECT_EQ(r.out, "") << c.name;  // parsed before anything runs
    EXPECT_EQ(r.err, c.err) << c.name;
  }
}

// The deepest an expression may be, at the deepest a call may go: runs.
TEST(RunnerRobustness, DeepestExpressionInTheDeepestCallRuns) {
  std::string sum = "1";
  for (int i = 0; i < 999; ++i) sum += " + 1";
  TempDir dir;
  const Command r = runFile(dir, "Function F(n As Integer) As Integer\n  If n = 1 Then Return " +
                                     sum + "\n  Return F(n - 1)\nEnd Function\nPrint F(1000)\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1000\n");
}

// Within every limit of the parser and of calls, and still too deep for the
// stack (1000 calls, each 900 parentheses into its expression): an error,
// at whichever column of the line the stack ran out.
TEST(RunnerRobustness, StackUsedUpEndsInAnError) {
  std::string call = "F(n - 1)";
  for (int i = 0; i < 900; ++i) call = "0 + (" + call + ")";
  TempDir dir;
  const Command r = runFile(dir,
                            "Function F(n As Integer) As Integer\n  If n = 0 Then Return 0\n"
                            "  Return " +
                                call + "\nEnd Function\nPrint F(1000)\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("s.rbs:3:", 0), 0u) << r.err.substr(0, 400);
  EXPECT_NE(r.err.find(": error: nested too deeply: the runner's stack is used up\n"),
            std::string::npos)
      << r.err.substr(0, 400);
  EXPECT_NE(r.err.find("s.rbs:5:7: note: F called from here\n"), std::string::npos);
}

// What is not a regular file, or too large a file, fails at once: no read
// that blocks (a FIFO without a writer) or never ends (a device), no write
// that blocks (a FIFO without a reader).
TEST(RunnerRobustness, FilesThatAreNotRegularOrTooLarge) {
  namespace fs = std::filesystem;
  TempDir dir;
  fs::create_directories(dir.path() / "folder");
  { std::ofstream big(dir.file("big.bin"), std::ios::binary); }
  fs::resize_file(dir.file("big.bin"), (uintmax_t{256} << 20) + 1);  // sparse where it can be
  struct Case {
    std::string call, err;
  };
  std::vector<Case> cases = {
      {"LoadString(\"" + dir.file("folder") + "\")",
       dir.file("folder") + " is a folder, not a file"},
      {"LoadPicture(\"" + dir.file("folder") + "\")",
       dir.file("folder") + " is a folder, not a file"},
      {"LoadString(\"" + dir.file("big.bin") + "\")",
       dir.file("big.bin") + " is too large (268435457 bytes; at most 268435456)"},
      {"LoadPicture(\"" + dir.file("big.bin") + "\")",
       dir.file("big.bin") + " is too large (268435457 bytes; at most 268435456)"},
  };
#ifndef _WIN32
  ASSERT_EQ(std::system(("mkfifo " + scripttest::quoted(dir.file("fifo"))).c_str()), 0);
  for (const char* f : {"LoadString", "LoadPicture"})
    cases.push_back({std::string(f) + "(\"" + dir.file("fifo") + "\")",
                     dir.file("fifo") + " is not a regular file (a device or a pipe?)"});
  cases.push_back(
      {"LoadString(\"/dev/zero\")", "/dev/zero is not a regular file (a device or a pipe?)"});
  cases.push_back({"1\nSaveString(\"x\", \"" + dir.file("fifo") + "\")",
                   "cannot write " + dir.file("fifo") + ": it is not a regular file"});
  cases.push_back({"1\nSavePicture(NewPicture(1, 1, 24), \"" + dir.file("fifo") + "\")",
                   "cannot write " + dir.file("fifo") + ": it is not a regular file"});
#endif
  for (const Case& c : cases) {
    const Command r = runFile(dir, "Print " + c.call + "\n");  // "Print 1" before a save
    EXPECT_EQ(r.status, 2) << c.call;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
  // ListFiles names regular files only, sorted, matching the pattern in any case.
  const fs::path list = dir.path() / "list";
  fs::create_directories(list / "sub.png");
  for (const char* name : {"b.PNG", "a.png", "c.txt"}) std::ofstream((list / name).string()) << "x";
#ifndef _WIN32
  ASSERT_EQ(std::system(("mkfifo " + scripttest::quoted((list / "fifo.png").string())).c_str()), 0);
#endif
  const Command r = runFile(dir, "Print ListFiles(\"" + list.string() + "\", \"*.png\")\n" +
                                     "Print UBound(ListFiles(\"" + list.string() + "\"))\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Array(a.png, b.PNG)\n2\n");  // not the folder, not the FIFO
}

uint32_t crc32(const std::string& bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

std::string bigEndian(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

// PNG files the decoder must refuse before allocating their pixels.
TEST(RunnerRobustness, TruncatedCorruptAndEnormousPngs) {
  namespace fs = std::filesystem;
  TempDir dir;
  // A valid header declaring many pixels, and six bytes of image data.
  auto withHeader = [](uint32_t w, uint32_t h) {
    std::string ihdr =
        "IHDR" + bigEndian(w) + bigEndian(h) + std::string("\x08\x02\x00\x00\x00", 5);
    std::string png = "\x89PNG\r\n\x1a\n";
    png += bigEndian(13) + ihdr + bigEndian(crc32(ihdr));
    const std::string idat = "IDAT" + std::string("\x78\x9c\x01\x02\x03\x04", 6);
    png += bigEndian(6) + idat + bigEndian(crc32(idat));
    const std::string iend = "IEND";
    png += bigEndian(0) + iend + bigEndian(crc32(iend));
    return png;
  };
  std::ofstream(dir.file("claims.png"), std::ios::binary) << withHeader(8000, 8000);
  std::ofstream(dir.file("enormous.png"), std::ios::binary) << withHeader(100000, 100000);
  std::ifstream in((scripttest::binDir() / "script-data" / "small_card.png").string(),
                   std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::ofstream(dir.file("truncated.png"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  std::string corrupt = bytes;
  for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 16; ++i) corrupt[i] = '\x55';
  std::ofstream(dir.file("corrupt.png"), std::ios::binary) << corrupt;
  std::ofstream(dir.file("text.png"), std::ios::binary) << "not a png";
  const struct {
    const char* file;
    const char* err;
  } cases[] = {
      {"claims.png", "is truncated or corrupt: it declares 8000x8000 pixels in"},
      {"enormous.png", "is too large a picture"},
      {"truncated.png", "truncated.png"},
      {"corrupt.png", "corrupt.png"},
      {"text.png", "is not a PNG file we can read"},
  };
  for (const auto& c : cases) {
    const Command r =
        runFile(dir, std::string("Dim p As Picture = LoadPicture(\"") + dir.file(c.file) + "\")\n");
    EXPECT_EQ(r.status, 2) << c.file << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.file << ": " << r.err;
    EXPECT_EQ(r.err.rfind("s.rbs:1:32: error: ", 0), 0u) << r.err;
  }
}

// --audit: after each statement that changes what the host holds, and
// leaves something held, one line saying what.
TEST(RunnerAudit, ReportsWhatEachStatementLeavesHeld) {
  TempDir dir;
  const Command c = runFile(dir,
                            "Dim p As Picture = NewPicture(4, 4, 24)\nDim q As Picture = p\n"
                            "Print 1\np = Nil\nq = Nil\nDim r As New TVQ_Rectangle\n",
                            {"--audit"});
  EXPECT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.out, "1\n");
  EXPECT_EQ(c.err,
            "s.rbs:1: audit: 1 object(s) still alive, holding 1 reference(s)\n"
            "s.rbs:2: audit: 1 object(s) still alive, holding 2 reference(s)\n"
            "s.rbs:4: audit: 1 object(s) still alive, holding 1 reference(s)\n"
            "s.rbs:6: audit: 1 object(s) still alive, holding 1 reference(s)\n");
}

// The README's folder script: every PNG of a folder through a Function and a
// loop, each result saved beside it, a failure reported and the loop going on.
TEST(RunnerFolderScript, ProcessesEveryPngOfAFolder) {
  namespace fs = std::filesystem;
  TempDir dir;
  fs::create_directories(dir.path() / "photos");
  const fs::path card = scripttest::binDir() / "script-data" / "small_card.png";
  fs::copy_file(card, dir.path() / "photos" / "a.png");
  fs::copy_file(card, dir.path() / "photos" / "B.PNG");
  std::ofstream(dir.file("photos/notes.txt")) << "not a picture";
  const std::string folder = (dir.path() / "photos").string() + "/";
  const Command c =
      runFile(dir,
              "Function Brighter(p As Picture, amount As Integer) As Picture\n"
              "  Dim all As New TVQ_Rectangle\n"
              "  all.Resize p.Width, p.Height\n"
              "  Return p.TVQ_AdjustRGB(all, amount, amount, amount)\n"
              "End Function\n"
              "Dim folder As String = \"" +
                  folder +
                  "\"\n"
                  "Dim names() As String = ListFiles(folder, \"*.png\")\n"
                  "For i As Integer = 0 To UBound(names)\n"
                  "  Dim p As Picture = LoadPicture(folder + names(i))\n"
                  "  Dim q As Picture = Brighter(p, 40)\n"
                  "  If q = Nil Then\n"
                  "    Print names(i), \"failed:\", TVQ_GetErrorMessage(TVQ_GetLastError)\n"
                  "  Else\n"
                  "    SavePicture(q, folder + \"bright-\" + names(i))\n"
                  "    Print names(i), q.RGBSurface.Pixel(0, 0) <> p.RGBSurface.Pixel(0, 0)\n"
                  "  End If\n"
                  "Next\n");
  EXPECT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.out, "B.PNG\tTrue\na.png\tTrue\n");
  EXPECT_TRUE(fs::exists(dir.path() / "photos" / "bright-a.png"));
  EXPECT_TRUE(fs::exists(dir.path() / "photos" / "bright-B.PNG"));
}

}  // namespace
