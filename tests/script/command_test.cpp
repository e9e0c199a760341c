// The rbhost command: run FILE and run -e, their output and exit status.
#include "script_support.h"

namespace {

using scripttest::Command;
using scripttest::rbhost;
using scripttest::readText;
using scripttest::TempDir;

TEST(Command, RunsAScriptFile) {
  TempDir dir;
  {
    std::ofstream f(dir.file("s.rbs"));
    f << "Dim r As New TVQ_Rectangle\nr.width = 3\nPrint r.width, r.IsValid\n";
  }
  const Command c = rbhost(dir, {"run", dir.file("s.rbs")});
  EXPECT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.out, "3\tFalse\n");
}

TEST(Command, EachDashEIsALine) {
  TempDir dir;
  const Command c = rbhost(dir, {"run", "-e", "Dim x As Integer = 2", "-e", "Print x * 21"});
  EXPECT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.out, "42\n");
}

TEST(Command, ExitStatusNamesWhatWentWrong) {
  TempDir dir;
  const Command assertion = rbhost(dir, {"run", "-e", "Print 1", "-e", "Assert 1 = 2"});
  EXPECT_EQ(assertion.status, 1);
  EXPECT_EQ(assertion.out, "1\n");
  EXPECT_EQ(assertion.err, "-e:2:1: assertion failed: 1 = 2\n");

  const Command error = rbhost(dir, {"run", "-e", "Print nothing"});
  EXPECT_EQ(error.status, 2);
  EXPECT_EQ(error.err, "-e:1:7: error: unknown name 'nothing'\n");

  const Command missing = rbhost(dir, {"run", dir.file("absent.rbs")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos);

  const Command usage = rbhost(dir, {"run", "-e"});
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find("usage:"), std::string::npos);
}

// Both plug-ins on a PNG file, pixel values worked out by hand, results
// saved: a script run the way a user runs it.
// Runs `script` from the test data with small_card.png beside it, in its own
// folder, the way a user runs a script.
Command runDataScript(TempDir& dir, const char* script) {
  namespace fs = std::filesystem;
  const fs::path data = scripttest::binDir() / "script-data";
  for (const char* name : {"small_card.png", script})
    fs::copy_file(data / name, fs::path(dir.file(name)));
  const fs::path previous = fs::current_path();
  fs::current_path(dir.file(""));
  Command c = rbhost(dir, {"run", script});
  fs::current_path(previous);
  return c;
}

TEST(Command, EndToEndScriptOverBothPlugins) {
  namespace fs = std::filesystem;
  TempDir dir;
  const Command c = runDataScript(dir, "end_to_end.rbs");
  EXPECT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.out, "end to end: ok\n");
  for (const char* saved : {"adjusted.png", "doubled.png", "round_trip.png"})
    EXPECT_TRUE(fs::exists(dir.file(saved))) << saved;
}

// The colour operations from a script, values worked out by hand.
TEST(Command, ColourOperationsScript) {
  TempDir dir;
  const Command c = runDataScript(dir, "color_operations.rbs");
  EXPECT_EQ(c.status, 0) << c.out << c.err;
  namespace fs = std::filesystem;
  EXPECT_EQ(c.out, "colour operations: ok\n");
  EXPECT_TRUE(fs::exists(dir.file("stretched.png")));
}

#ifndef _WIN32
// The display set from a PNG, captured by both plug-ins, pixels checked.
TEST(Command, DisplayFromAPngCapturedByBothPlugins) {
  TempDir dir;
  namespace fs = std::filesystem;
  const fs::path data = scripttest::binDir() / "script-data";
  for (const char* name : {"small_card.png", "display.rbs"})
    fs::copy_file(data / name, fs::path(dir.file(name)));
  const fs::path previous = fs::current_path();
  fs::current_path(dir.file(""));
  const Command shown = rbhost(dir, {"run", "--display", "small_card.png", "display.rbs"});
  const Command missing = rbhost(dir, {"run", "--display", "none.png", "-e", "Print 1"});
  fs::current_path(previous);
  EXPECT_EQ(shown.status, 0) << shown.out << shown.err;
  EXPECT_EQ(shown.out, "display: ok\n");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err.rfind("rbhost: --display none.png: ", 0), 0u) << missing.err;
}
#endif

// Client pictures through the composite, back to pictures and to a file.
TEST(Command, CompositeOfClientPicturesScript) {
  TempDir dir;
  const Command c = runDataScript(dir, "composite.rbs");
  EXPECT_EQ(c.status, 0) << c.out << c.err;
  EXPECT_EQ(c.out, "composite: ok\n");
  EXPECT_TRUE(std::filesystem::exists(dir.file("composited.png")));
}

// The picture plug-in's classes from a program: properties, assignable
// methods, Run and DestinationPicture, with every reference given back.
TEST(Command, ClassesScriptOfThePicturePlugin) {
  TempDir dir;
  const Command c =
      rbhost(dir, {"run", (scripttest::binDir() / "script-data" / "classes.rbs").string()});
  EXPECT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.out, "classes: ok\n");
}

}  // namespace
