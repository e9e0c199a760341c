// What stops a script: errors name the line and column and give status 2, a
// false Assert gives status 1, and a host that still holds something at the
// end gives status 3.
#include "script_support.h"

namespace {

using scripttest::run;

struct ErrorCase {
  const char* name;
  const char* source;
  int status;
  const char* err;  // the whole first line on the error stream
};

class Errors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(Errors, NameTheLineAndColumn) {
  const auto o = run(GetParam().source);
  EXPECT_EQ(o.status, GetParam().status) << o;
  EXPECT_EQ(o.err.substr(0, o.err.find('\n')), GetParam().err) << o;
}

const ErrorCase kErrors[] = {
    {"Syntax", "Print 1\nPrint 1 +", 2, "t:2:10: error: expression expected, found end of input"},
    {"SyntaxStopsBeforeAnythingRuns", "Print 1\nDim", 2,
     "t:2:4: error: a variable name expected, found end of input"},
    {"UnknownName", "Print 1\n  Print foo", 2, "t:2:9: error: unknown name 'foo'"},
    {"UnknownVariableAssigned", "x = 1", 2, "t:1:1: error: unknown variable 'x'"},
    {"UnknownType", "Dim x As Foo", 2, "t:1:10: error: unknown type 'Foo'"},
    {"UnknownMember", "Dim p As Picture = NewPicture(1, 1, 24)\nPrint p.Nope", 2,
     "t:2:9: error: Picture has no member 'Nope'"},
    {"WrongTypeAssigned", "Dim i As Integer = \"x\"", 2,
     "t:1:20: error: cannot assign String to i (Integer)"},
    {"DoubleIsNotNarrowedToInteger", "Dim i As Integer = 1.5", 2,
     "t:1:20: error: cannot assign Double to i (Integer)"},
    {"WrongOperandTypes", "Print 1 + \"a\"", 2,
     "t:1:9: error: cannot do arithmetic on Integer and String"},
    {"AlreadyDeclared", "Dim a As Integer\nDim A As Double", 2,
     "t:2:5: error: 'A' is already declared"},
    {"HexLiteralTooLong", "Print &h123456789", 2,
     "t:1:7: error: a hex literal has at most eight digits"},
    {"IntegerLiteralTooLarge", "Print 2147483648", 2, "t:1:7: error: integer literal out of range"},
    {"UnreadableFile", "Dim p As Picture = LoadPicture(\"/nonexistent/x.png\")", 2,
     "t:1:32: error: cannot read /nonexistent/x.png"},
    {"PixelOutsideThePicture",
     "Dim p As Picture = NewPicture(2, 2, 24)\nPrint p.RGBSurface.Pixel(0, 2)", 2,
     "t:2:29: error: y 2 is outside 0 to 1"},
    {"MemberOfNil", "Dim p As Picture\nPrint p.Width", 2, "t:2:9: error: Width of a Nil Picture"},
    {"VoidInAnExpression", "Print TVQ_GetLastError + FixtureRenew(Nil, 1)", 2,
     "t:1:26: error: this call gives no value"},
    {"AssertFails", "Print 1\nAssert 1 + 1 = 3\nPrint 2", 1, "t:2:1: assertion failed: 1 + 1 = 3"},
    {"AssertWithMessage", "Assert False, \"custom \" + \"text\"", 1,
     "t:1:1: assertion failed: custom text"},
    {"AssertNeedsABoolean", "Assert 1", 2, "t:1:8: error: Assert needs a Boolean, not Integer"},
};

INSTANTIATE_TEST_SUITE_P(Script, Errors, ::testing::ValuesIn(kErrors),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Errors, TheScriptStopsAtTheFailingStatement) {
  EXPECT_EQ(run("Print 1\nAssert False\nPrint 2").out, "1\n");
  EXPECT_EQ(run("Print 1\nPrint foo\nPrint 2").out, "1\n");
  EXPECT_EQ(run("Print 1\nPrint (").out, "");  // parsed before anything runs
}

TEST(Audit, VariablesHoldingObjectsAreReleasedAtTheEnd) {
  const auto o = run(
      "Dim p As Picture = NewPicture(8, 8, 32)\nDim q As Picture = p\nDim m As Picture = p.Mask\n"
      "Dim r As New TVQ_Rectangle\nDim a() As Integer = Array(1)\np = NewPicture(1, 1, 8)");
  EXPECT_EQ(o.status, 0) << o;
}

TEST(Audit, SomethingLeftInTheHostGivesStatus3) {
  std::ostringstream out, err;
  rbscript::Session session(out, err, scripttest::allPlugins());
  ASSERT_EQ(session.run("t", "Dim p As Picture = NewPicture(2, 2, 24)"), 0);
  session.host().newPicture(1, 1, 24);  // a picture nobody releases
  EXPECT_EQ(session.finish(), rbscript::kExitAuditNotClean);
  EXPECT_NE(err.str().find("the host audit is not clean at the end"), std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("1 object(s) still alive"), std::string::npos) << err.str();
}

TEST(Audit, AnOpenLockIsReported) {
  rbhost::Audit audit;
  audit.descriptionLocks = 1;
  audit.violations = {"unlockPictureDescription without a lock"};
  const auto findings = rbscript::auditFindings(audit);
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_EQ(findings[0], "1 picture description lock(s) not released");
  EXPECT_EQ(findings[1], "misuse: unlockPictureDescription without a lock");
}

}  // namespace
