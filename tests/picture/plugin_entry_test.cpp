// Loading the picture plug-in: what it announces and what it registers, and
// in which order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "rbhost/host.h"
#include "test_host.h"

namespace zrwtest {
namespace {

using rbhost::RegistrationEvent;

// Everything the plug-in can register, in registration order. A plug-in that
// registers only part of it must keep this order.
struct Registered {
  RegistrationEvent::Kind kind;
  std::string name;                     // class name, extended host class, or declaration
  std::vector<std::string> properties;  // "name as type", in order
  std::vector<std::string> methods;     // in order, unless `anyMethodOrder`
  bool anyMethodOrder = false;
};

constexpr auto kClass = RegistrationEvent::Kind::Class;
constexpr auto kExtension = RegistrationEvent::Kind::Extension;
constexpr auto kGlobal = RegistrationEvent::Kind::GlobalMethod;

Registered global(const char* declaration) { return {kGlobal, declaration, {}, {}}; }

const std::vector<std::string> kPictures = {"SourcePicture as Picture",
                                            "DestinationPicture as Picture"};
const std::vector<std::string> kArea = {"MaxX as Integer", "MinX as Integer", "MaxY as Integer",
                                        "MinY as Integer"};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::vector<std::string> minMaxProperties() {
  std::vector<std::string> names;
  for (const char* group : {"Red", "Green", "Blue", "Sum"})
    for (const char* field : {"MaxX", "MaxY", "Max", "MinX", "MinY", "Min"})
      names.push_back(std::string(group) + field + " as Integer");
  return names;
}

const std::vector<Registered>& fullRegistration() {
  static const std::vector<Registered> all = {
      {kClass,
       "PictureSepiaZRW",
       join({kPictures,
             kArea,
             {"SepiaRed as Integer", "SepiaGreen as Integer", "SepiaBlue as Integer",
              "FactorRed as Double", "FactorBlue as Double", "FactorGreen as Double"}}),
       {"Close", "Run as boolean"}},
      {kClass,
       "PictureConvolutionZRW",
       join({kPictures, {"ValueCount as Integer"}}),
       {"Close", "Run(channels as integer) as boolean", "Ver(index as integer) as double",
        "Hor(index as integer) as double"}},
      {kClass,
       "PictureLut3DZRW",
       join({kPictures, kArea}),
       {"Close", "Run as boolean",
        "Table(r as integer, g as integer, b as integer, x as integer) as double"}},
      {kClass,
       "PaletteZRW",
       {"Count as Integer"},
       {"Col(i as integer) as color", "Mem as Memoryblock", "CountColors as integer", "Close",
        "NewPicture(width as integer,height as integer) as picture"}},
      {kClass,
       "PictureMatrixZRW",
       join({kPictures, {"Displacement as Integer", "ScaleFactor as Double"}, kArea}),
       {"Close", "Run as boolean",
        "RunRGB(red as boolean, green as boolean, blue as boolean) as boolean",
        "Matrix(x as integer, y as integer) as integer"}},
      {kClass,
       "PictureMatrix3DZRW",
       join({kPictures, kArea}),
       {"Close", "Run as boolean", "Matrix(x as integer, y as integer) as double"}},
      {kExtension, "graphics", {}, {"PaintDesktopZRW"}},
      {kExtension,
       "Picture",
       {},
       {"ChangeBrightnessAbsoluteZRW(r as double, g as double, b as double) as picture",
        "ChangeBrightnessLinearZRW(r as double, g as double, b as double) as picture",
        "ChangeBrightnessAbsoluteZRW(x as double) as picture",
        "ChangeBrightnessLinearZRW(x as double) as picture",
        "ChangeCustomZRW(a as double, b as double) as picture",
        "ChangeContrastZRW(x as double) as picture",
        "ChangeContrastZRW(xr as double, xg as double, xb as double) as picture",
        "PaletteZRW as PaletteZRW",
        "DataTypeZRW as integer",
        "DataHandleZRW as integer",
        "MakeHBITMAPZRW as integer",
        "InvertZRW(left as integer,top as integer,width as integer,height as integer) as picture",
        "Rotate90ZRW as picture",
        "Rotate180ZRW as picture",
        "Rotate270ZRW as picture",
        "RotateZRW(angle as double,background as color) as picture",
        "VMirrorZRW as picture",
        "HMirrorZRW as picture",
        "CloneZRW as picture",
        "BitmapZRW as picture",
        "ScaleZRW(width as integer, height as integer, AntiAlias as boolean) as picture",
        "EmbededMaskZRW(swap as boolean) as picture",
        "PicHandleZRW as picture",
        "PicHandleDataZRW as string",
        "CountColorZRW(col as color) as integer",
        "CountColorsZRW(byref red as memoryblock, byref blue as memoryblock, byref green as "
        "memoryblock, byref count as integer)",
        "TransformColorsZRW(red as memoryblock, blue as memoryblock, green as memoryblock) as "
        "picture",
        "CopyRGBtoMemoryblock(destination as memoryblock, offset as integer) as boolean",
        "CopyARGBtoMemoryblock(destination as memoryblock, offset as integer, LittleEndian as "
        "boolean, AlphaValue as integer) as boolean",
        "CopyRtoMemoryblock(destination as memoryblock, offset as integer, PixelByteSize as "
        "integer) as boolean",
        "CopyGtoMemoryblock(destination as memoryblock, offset as integer, PixelByteSize as "
        "integer) as boolean",
        "CopyBtoMemoryblock(destination as memoryblock, offset as integer, PixelByteSize as "
        "integer) as boolean"}},
      global("BuildPictureWithPicHandleDataZRW(data as string) as picture"),
      global("BuildPictureWithGWorldHandleZRW(handle as integer, ByPassOwernerShip as boolean) "
             "as picture"),
      global("ScreenshotDisplayZRW(index as integer) as picture"),
      global("ScreenshotZRW as picture"),
      global("ScreenshotRectZRW(left as integer, top as integer, width as integer, height as "
             "integer) as picture"),
      global("NewGrayPaletteZRW as PaletteZRW"),
      global("NewWebPaletteZRW as PaletteZRW"),
      global("NewRedPaletteZRW as PaletteZRW"),
      global("NewGreenPaletteZRW as PaletteZRW"),
      global("NewBluePaletteZRW as PaletteZRW"),
      global("NewSystemPaletteZRW as PaletteZRW"),
      global("NewWindowsPaletteZRW as PaletteZRW"),
      global("NewPalmPaletteZRW as PaletteZRW"),
      global("NewPaletteZRW(count as integer) as PaletteZRW"),
      global("BinaryStringtoPictureZRW(data as String) as Picture"),
      global("PicturetoBinaryStringZRW(p as picture) as string"),
      global("CombinePicturesZRW(red as picture, blue as picture, green as picture) as picture"),
      global("BlendPicturesZRW(source as picture, sourcepercent as double, dest as picture, "
             "destpercent as double) as picture"),
      global("BlendPicturesWithMaskZRW(source as picture, dest as picture, mask as picture) as "
             "picture"),
      global("TintPictureZRW(source as picture, GreyBase as color, SepiaBase as color) as "
             "picture"),
      {kClass,
       "PictureMinMaxZRW",
       minMaxProperties(),
       {"FindAll(p as picture) as boolean", "FindMaxAll(p as picture) as boolean",
        "FindMinAll(p as picture) as boolean", "FindRed(p as picture) as boolean",
        "FindMaxRed(p as picture) as boolean", "FindGreen(p as picture) as boolean",
        "FindMaxGreen(p as picture) as boolean", "FindBlue(p as picture) as boolean",
        "FindMaxBlue(p as picture) as boolean", "FindSum(p as picture) as boolean",
        "FindMaxSum(p as picture) as boolean", "FindMinRed(p as picture) as boolean",
        "FindMinGreen(p as picture) as boolean", "FindMinBlue(p as picture) as boolean",
        "FindMinSum(p as picture) as boolean", "Close"},
       true},
  };
  return all;
}

// Empty when `part` is `whole` with items left out, order kept; otherwise
// the first item that breaks it.
std::string notASubsequence(const std::vector<std::string>& part,
                            const std::vector<std::string>& whole) {
  size_t next = 0;
  for (const std::string& item : part) {
    while (next < whole.size() && whole[next] != item) ++next;
    if (next == whole.size()) return item;
    ++next;
  }
  return "";
}

std::string notASubset(const std::vector<std::string>& part,
                       const std::vector<std::string>& whole) {
  for (const std::string& item : part)
    if (std::count(part.begin(), part.end(), item) != 1 ||
        std::find(whole.begin(), whole.end(), item) == whole.end())
      return item;
  return "";
}

std::string key(RegistrationEvent::Kind kind, const std::string& name) {
  return (kind == kClass ? "class " : kind == kExtension ? "extension " : "method ") + name;
}

class PluginEntryTest : public rbtest::PictureTest {};

TEST_F(PluginEntryTest, AnnouncesInterfaceVersion6) { EXPECT_EQ(plugin.interfaceVersion, 6); }

TEST_F(PluginEntryTest, EntersMoviesBeforeRegisteringAnything) {
  ASSERT_TRUE(plugin.enteredMoviesAfter.has_value());
  EXPECT_EQ(*plugin.enteredMoviesAfter, 0u);
}

TEST_F(PluginEntryTest, RegistersInTheListedOrder) {
  std::vector<std::string> expected;
  for (const Registered& r : fullRegistration()) expected.push_back(key(r.kind, r.name));
  std::vector<std::string> arrived;
  for (const RegistrationEvent& e : plugin.arrivalOrder) {
    const std::string& name = e.kind == kGlobal ? plugin.globalMethods[e.index].declaration
                                                : plugin.classes[e.index].name;
    arrived.push_back(key(e.kind, name));
  }
  EXPECT_EQ(notASubsequence(arrived, expected), "") << "registered out of order or unknown";

  for (const rbhost::ClassRegistration& c : plugin.classes) {
    const auto kind = c.isExtension ? kExtension : kClass;
    auto full =
        std::find_if(fullRegistration().begin(), fullRegistration().end(),
                     [&](const Registered& r) { return r.kind == kind && r.name == c.name; });
    ASSERT_NE(full, fullRegistration().end()) << c.name;
    EXPECT_EQ(c.recordVersion, 6) << c.name;
    EXPECT_EQ(c.methodRecordSize, sizeof(RbShortMethodRecord)) << c.name;
    // An extension with nothing in it is not handed over at all.
    if (c.isExtension) {
      EXPECT_FALSE(c.methods.empty()) << c.name;
    }

    std::vector<std::string> methods;
    for (const auto& m : c.methods) methods.push_back(m.declaration);
    EXPECT_EQ(full->anyMethodOrder ? notASubset(methods, full->methods)
                                   : notASubsequence(methods, full->methods),
              "")
        << "method of " << c.name;
    std::vector<std::string> properties;
    for (const auto& p : c.properties) properties.push_back(p.name + " as " + p.type);
    EXPECT_EQ(notASubsequence(properties, full->properties), "") << "property of " << c.name;
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// The picture-handle operation leads the global methods.
TEST_F(PluginEntryTest, RegistersThePictureHandleMethodFirstAmongGlobals) {
  ASSERT_FALSE(plugin.globalMethods.empty());
  EXPECT_EQ(plugin.globalMethods.front().declaration,
            "BuildPictureWithPicHandleDataZRW(data as string) as picture");
}

// The host always supplies these, but a host without them must not bring the
// plug-in down: it still registers what it has.
TEST(PluginEntryWithoutServicesTest, LoadsWithoutVersionOrMovieEntries) {
  for (const char* missing : {"RegisterPluginVersion", "REALenterMovies"}) {
    rbhost::HostOptions options;
    options.missingServices = {missing};
    rbhost::Host host(options);
    rbhost::Plugin* plugin = nullptr;
    ASSERT_NO_THROW(plugin = &host.load(rbhost::picturePluginPath())) << missing;
    EXPECT_EQ(plugin->interfaceVersion, std::string(missing) == "RegisterPluginVersion" ? 0 : 6);
    EXPECT_TRUE(host.audit().violations.empty()) << missing;
  }
}

}  // namespace
}  // namespace zrwtest
