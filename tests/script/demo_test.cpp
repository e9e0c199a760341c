// rbhost demo: the contact sheet and a PNG for every result it names, from
// the test card or from a given picture.
#include <regex>

#include "rbdemo/demo.h"
#include "rbdemo/demo_entries.h"
#include "rbscript/png_io.h"
#include "script_support.h"

namespace {

using scripttest::readText;
using scripttest::TempDir;

std::vector<std::string> imagesNamedIn(const std::string& html) {
  std::vector<std::string> files;
  const std::regex img("<img src=\"([^\"]+)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), img); it != std::sregex_iterator();
       ++it)
    files.push_back((*it)[1]);
  return files;
}

TEST(Demo, WritesTheContactSheetAndEveryPictureItShows) {
  TempDir dir;
  std::ostringstream out, err;
  rbdemo::DemoOptions options;
  options.outDir = dir.file("gallery");
  ASSERT_EQ(rbdemo::runDemo(options, out, err), 0) << err.str();
  const std::string html = readText(dir.file("gallery/index.html"));
  ASSERT_FALSE(html.empty());
  EXPECT_NE(html.find("built-in test card"), std::string::npos);
  const auto images = imagesNamedIn(html);
  ASSERT_GE(images.size(), 3u);
  EXPECT_EQ(images[0], "00-card.png");
  for (const std::string& file : images)
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "gallery" / file)) << file;
  // The registered operations on the card are there with their statements.
  EXPECT_NE(html.find("card.TVQ_AdjustRGB(area, 60, 0, -60)"), std::string::npos);
  EXPECT_NE(html.find(" ms</span>"), std::string::npos);
}

TEST(Demo, StartsFromAGivenPicture) {
  TempDir dir;
  {
    std::ostringstream out, err;
    rbscript::Session session(out, err);
    RbPicture p = session.host().newPicture(16, 8, 24);
    rbscript::savePng(session.host(), p, dir.file("in.png"));
    session.host().release(p);
  }
  std::ostringstream out, err;
  rbdemo::DemoOptions options;
  options.input = dir.file("in.png");
  options.outDir = dir.file("g");
  ASSERT_EQ(rbdemo::runDemo(options, out, err), 0) << err.str();
  const std::string html = readText(dir.file("g/index.html"));
  EXPECT_NE(html.find("Started from " + options.input), std::string::npos);
  EXPECT_NE(html.find("Picture(16x8x24)"), std::string::npos);
}

TEST(Demo, AnUnreadableInputIsAnError) {
  TempDir dir;
  std::ostringstream out, err;
  rbdemo::DemoOptions options;
  options.input = dir.file("missing.png");
  options.outDir = dir.file("g");
  EXPECT_EQ(rbdemo::runDemo(options, out, err), rbscript::kExitError);
  EXPECT_NE(err.str().find("cannot read"), std::string::npos) << err.str();
}

// Every entry names a declaration the way the plug-ins spell it, so it runs
// as soon as its operation is registered.
TEST(Demo, EntriesAreKeyedByWellFormedDeclarations) {
  for (const rbdemo::DemoEntry& e : rbdemo::demoEntries()) {
    std::vector<rbdemo::Registration> keys = e.alsoNeeds;
    keys.push_back(e.key);
    for (const auto& k : keys) {
      if (k.property.empty()) {
        EXPECT_TRUE(rbhost::parseDeclaration(k.declaration).has_value()) << e.title;
      }
    }
  }
}

}  // namespace
