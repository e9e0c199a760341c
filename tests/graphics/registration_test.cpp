// Loading the graphics plug-in: the host-version gate, and what is
// registered in which order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rbhost/host.h"
#include "test_host.h"

namespace tvqtest {
namespace {

using rbhost::RegistrationEvent;

// Everything the plug-in can register, in registration order. The plug-in
// registers what it implements, so what arrives must be a subsequence of
// this list, and within every class and extension its members a
// subsequence of theirs.
struct Registered {
  RegistrationEvent::Kind kind;
  std::string name;                     // declaration, class name, or extended class
  std::vector<std::string> properties;  // "name as type"
  std::vector<std::string> methods;
};

constexpr auto kClass = RegistrationEvent::Kind::Class;
constexpr auto kExtension = RegistrationEvent::Kind::Extension;
constexpr auto kGlobal = RegistrationEvent::Kind::GlobalMethod;

std::vector<Registered> globals(const std::vector<std::string>& declarations) {
  std::vector<Registered> all;
  for (const std::string& d : declarations) all.push_back({kGlobal, d, {}, {}});
  return all;
}

const std::vector<std::string> kPictureExtensionMethods = {
    "TVQ_ShearHorizontal(width as integer, height as integer, shear as double) as picture",
    "TVQ_ShearHorizontal(width as integer, height as integer, shear as double, frame_color as "
    "color) as picture",
    "TVQ_ShearVertical(width as integer, height as integer, shear as double) as picture",
    "TVQ_ShearVertical(width as integer, height as integer, shear as double, frame_color as color) "
    "as picture",
    "TVQ_FreeRotateByShear(rotation as double) as picture",
    "TVQ_FreeRotateByShear(rotation as double, frame_color as color) as picture",
    "TVQ_FreeRotateDirect(rotation as double, frame_color as color) as picture",
    "TVQ_Compare(compare as picture, rect as TVQ_Rectangle) as boolean",
    "TVQ_Difference(compare as picture) as picture",
    "TVQ_AdjustGamma(rect as TVQ_Rectangle, center as color, red_factor as double, green_factor as "
    "double, blue_factor as double) as picture",
    "TVQ_AdjustGammaWithMask(mask as picture, center as color, red_factor as double, green_factor "
    "as double, blue_factor as double) as picture",
    "TVQ_AdjustHSV(rect as TVQ_Rectangle, hue_degrees as double, saturation_factor as double, "
    "brightness_factor as double, negative as boolean) as picture",
    "TVQ_AdjustHSVWithMask(mask as picture, hue_degrees as double, saturation_factor as double, "
    "brightness_factor as double) as picture",
    "TVQ_GetAverageHSV(rect as TVQ_Rectangle, ByRef hue_degrees as double, ByRef saturation as "
    "double, ByRef brightness as double)",
    "TVQ_AdjustRGB(rect as TVQ_Rectangle, red_delta as integer, green_delta as integer, blue_delta "
    "as integer) as picture",
    "TVQ_AdjustRGB_InPlace(rect as TVQ_Rectangle, red_delta as integer, green_delta as integer, "
    "blue_delta as integer)",
    "TVQ_AdjustRGBWithMask(mask as picture, red_delta as integer, green_delta as integer, "
    "blue_delta as integer) as picture",
    "TVQ_AdjustRGB(rect as TVQ_Rectangle, cm as TVQ_ColorMatrix) as picture",
    "TVQ_AdjustRGBWithMask(mask as picture, cm as TVQ_ColorMatrix) as picture",
    "TVQ_GetAverageRGB(rect as TVQ_Rectangle, ByRef red as integer, ByRef green as integer, ByRef "
    "blue as integer)",
    "TVQ_AverageRGB(rect as TVQ_Rectangle, center as color, red_weight as double, green_weight as "
    "double, blue_weight as double) as picture",
    "TVQ_AverageRGBWithMask(mask as picture, center as color, red_weight as double, green_weight "
    "as double, blue_weight as double) as picture",
};

const std::vector<std::string> kPictureGlobalMethods = {
    "TVQ_Add(extends p as picture, addend as picture) as picture",
    "TVQ_Subtract(extends p as picture, subtractend as picture) as picture",
    "TVQ_AdjustContrast(extends p as picture, rect as TVQ_Rectangle, center as color, red_factor "
    "as double, green_factor as double, blue_factor as double) as picture",
    "TVQ_AdjustContrastWithMask(extends p as picture, mask as picture, center as color, red_factor "
    "as double, green_factor as double, blue_factor as double) as picture",
    "TVQ_GetAverageContrast(extends p as picture, rect as TVQ_Rectangle, center as color, ByRef "
    "red_contrast as integer, ByRef green_contrast as integer, ByRef blue_contrast as integer)",
    "TVQ_FlipRotate(extends p as picture, flip_h as boolean, flip_v as boolean, rotation as "
    "integer) as picture",
    "TVQ_Composite(extends p as picture, overlay as picture, overlay_fraction as double, left as "
    "integer, top as integer) as picture",
    "TVQ_Composite(extends p as picture, rect as TVQ_Rectangle, overlay_color as color, "
    "overlay_fraction as double) as picture",
    "TVQ_CompositeWithMask(extends p as picture, overlay as picture, mask as picture, left as "
    "integer, top as integer) as picture",
    "TVQ_Convolute(extends p as picture, rect as TVQ_Rectangle, horiz_convolution as "
    "TVQ_Convolution,vert_convolution as TVQ_Convolution) as picture",
    "TVQ_CrawlingAnts(extends p as picture, rect as TVQ_Rectangle, ant_color as color, "
    "shadow_color as color, ant_size as integer, ant_state as integer) as picture",
    "TVQ_Downsample(extends p as picture, bits_per_channel as integer) as picture",
    "TVQ_MakeMemoryBlock(extends p as picture, rect as TVQ_Rectangle, mask_to_alpha as boolean, "
    "ByRef row_bytes as integer) as picture",
    "TVQ_Pixelate(extends p as picture, rect as TVQ_Rectangle, pixelation as integer) as picture",
    "TVQ_Stretch(extends p as picture, width as integer, height as integer) as picture",
    "TVQ_Threshold(extends p as picture, rect as TVQ_Rectangle, darker as boolean, and_threshold "
    "as boolean, threshold as color, target as color) as picture",
    "TVQ_ThresholdWithMask(extends p as picture, mask as picture, darker as boolean, and_threshold "
    "as boolean, threshold as color, target as color) as picture",
    "TVQ_Transition(extends p as picture, overlay_a as picture, overlay_b as picture, "
    "overlay_a_fraction as double) as picture",
    "TVQ_Trim(extends p as picture, trim_rect as TVQ_Rectangle, frame_color as color) as picture",
};

const std::vector<std::string> kClientPictureGlobalMethods = {
    "TVQ_Composite(extends cp as TVQ_ClientPicture, overlay as TVQ_ClientPicture, overlay_fraction "
    "as double, left as integer, top as integer, as_picture as boolean = false) as "
    "TVQ_ClientPicture",
    "TVQ_Stretch(extends cp as TVQ_ClientPicture, width as integer, height as integer, as_picture "
    "as boolean) as TVQ_ClientPicture",
    "TVQ_Trim(extends cp as TVQ_ClientPicture, trim_rect as TVQ_Rectangle, frame_color as color) "
    "as TVQ_ClientPicture",
};

const std::vector<Registered>& fullRegistration() {
  static const std::vector<Registered> all = [] {
    std::vector<Registered> r = globals(
        {"TVQ_GetLastError() as integer", "TVQ_GetErrorMessage(error_code as integer) as String"});
    r.push_back(
        {kClass,
         "TVQ_Rectangle",
         {"left as integer", "top as integer", "width as integer", "height as integer",
          "right as integer", "bottom as integer"},
         {"IsValid() as Boolean", "Equals(rect as TVQ_Rectangle) as Boolean",
          "CopyFrom(rect as TVQ_Rectangle)", "OffsetBy(h as integer, v as integer)",
          "MoveTo(left as integer, top as integer)", "Resize(width as integer, height as integer)",
          "InsetBy(h as integer, v as integer)", "ScaleBy(factor as double)", "Area() as integer",
          "UnionWith(rect as TVQ_Rectangle)", "IntersectWith(rect as TVQ_Rectangle)",
          "Contains(rect as TVQ_Rectangle) as Boolean",
          "Intersects(rect as TVQ_Rectangle) as Boolean", "MessageBox()"}});
    r.push_back(
        {kClass,
         "TVQ_ColorMatrix",
         {},
         {"Value(i as integer, j as integer) as double", "CopyFrom(source as TVQ_ColorMatrix)",
          "Multiply(factor as double) as TVQ_ColorMatrix",
          "Multiply(source as TVQ_ColorMatrix) as TVQ_ColorMatrix", "Invert() as TVQ_ColorMatrix",
          "MessageBox()"}});
    r.push_back({kClass,
                 "TVQ_Convolution",
                 {"sum as integer", "width as integer"},
                 {"SetCoefficients(coeffs() as integer)", "MessageBox()"}});
    r.push_back({kClass,
                 "TVQ_ClientPicture",
                 {"width as integer", "height as integer", "depth as integer",
                  "rowBytes as integer", "hasMask as boolean", "maskDepth as integer",
                  "maskRowBytes as integer", "pic as picture"},
                 {"operator_convert(p as picture)", "operator_convert() as picture"}});
    r.push_back({kExtension,
                 "picture",
                 {"TVQ_BitDepth as integer", "TVQ_RowBytes as integer", "TVQ_HasMask as boolean"},
                 kPictureExtensionMethods});
    for (auto* list : {&kPictureGlobalMethods, &kClientPictureGlobalMethods}) {
      std::vector<Registered> more = globals(*list);
      r.insert(r.end(), more.begin(), more.end());
    }
    r.push_back({kGlobal,
                 "TVQ_ScreenCapture(extends s as screen, capture_rect as TVQ_Rectangle) as picture",
                 {},
                 {}});
    return r;
  }();
  return all;
}

const char* const kQualification =
    "This verion of Tavq Graphics is qualified for REALbasic REALbasic 2005 only. If you are "
    "using a previous or future version of REALbasic, please visit http://www.example.com/tvq "
    "for information on other versions.";

const std::vector<std::string> kErrorMethods = {
    "TVQ_GetLastError() as integer", "TVQ_GetErrorMessage(error_code as integer) as String"};

bool isSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  size_t next = 0;
  for (const std::string& item : part) {
    while (next < whole.size() && whole[next] != item) ++next;
    if (next == whole.size()) return false;
    ++next;
  }
  return true;
}

std::vector<Registered> arrived(const rbhost::Plugin& plugin) {
  std::vector<Registered> items;
  for (const RegistrationEvent& e : plugin.arrivalOrder) {
    if (e.kind == kGlobal) {
      items.push_back({kGlobal, plugin.globalMethods[e.index].declaration, {}, {}});
      continue;
    }
    const rbhost::ClassRegistration& c = plugin.classes[e.index];
    Registered item{e.kind, c.name, {}, {}};
    for (const auto& p : c.properties) item.properties.push_back(p.name + " as " + p.type);
    for (const auto& m : c.methods) item.methods.push_back(m.declaration);
    items.push_back(std::move(item));
  }
  return items;
}

std::vector<std::string> globalDeclarations(const rbhost::Plugin& plugin) {
  std::vector<std::string> declarations;
  for (const auto& m : plugin.globalMethods) declarations.push_back(m.declaration);
  return declarations;
}

// A host with the graphics plug-in loaded; `before` is its audit from before
// the plug-in was loaded, so loading itself must leave nothing behind.
struct LoadedHost {
  explicit LoadedHost(rbhost::HostOptions options)
      : host(std::move(options)), before(host.audit()), plugin(host.load(path())) {}
  static std::string path() { return rbhost::graphicsPluginPath(); }

  rbhost::Host host;
  rbhost::Audit before;
  rbhost::Plugin& plugin;
};

rbhost::HostOptions hostOfVersion(double version) {
  rbhost::HostOptions options;
  options.version = version;
  return options;
}

TEST(GraphicsRegistration, ArrivesInPublishedOrder) {
  LoadedHost loaded(hostOfVersion(2006.0));
  const std::vector<Registered>& expected = fullRegistration();
  const std::vector<Registered> got = arrived(loaded.plugin);
  ASSERT_GE(got.size(), 2u);

  size_t next = 0;
  for (const Registered& item : got) {
    SCOPED_TRACE(item.name);
    while (next < expected.size() &&
           (expected[next].kind != item.kind || expected[next].name != item.name)) {
      ++next;
    }
    ASSERT_LT(next, expected.size()) << "registered out of order, or not part of the interface";
    EXPECT_TRUE(isSubsequence(item.properties, expected[next].properties));
    EXPECT_TRUE(isSubsequence(item.methods, expected[next].methods));
    ++next;
  }
  EXPECT_EQ(got[0].name, kErrorMethods[0]);
  EXPECT_EQ(got[1].name, kErrorMethods[1]);
  // The classes come right after the error methods, TVQ_ColorMatrix second
  // with all its methods.
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(got[2].name, "TVQ_Rectangle");
  EXPECT_EQ(got[3].name, "TVQ_ColorMatrix");
  EXPECT_EQ(got[3].methods, fullRegistration()[3].methods);
  EXPECT_EQ(loaded.plugin.interfaceVersion, 8);
  EXPECT_TRUE(rbtest::AuditUnchanged(loaded.host, loaded.before));
}

struct GateCase {
  double version;
  const char* versionMessage;  // null when the host is accepted
  bool shortRecords;           // class method tables in the 12-byte layout
};

TEST(GraphicsVersionGate, RegistersOnlyForQualifiedHosts) {
  const GateCase cases[] = {
      {2005.0, nullptr, false},
      {2005.5, nullptr, false},
      {2006.99, nullptr, false},
      {5.5, nullptr, true},
      {5.9, "rb_version: 5.900000", false},
      {6.0, "rb_version: 6.000000", false},
      {2007.0, "rb_version: 2007.000000", false},
  };
  for (const GateCase& c : cases) {
    SCOPED_TRACE(c.version);
    LoadedHost loaded(hostOfVersion(c.version));
    rbhost::Plugin& plugin = loaded.plugin;
    EXPECT_EQ(plugin.interfaceVersion, 8);

    if (c.versionMessage != nullptr) {
      EXPECT_EQ(plugin.loadMessages, (std::vector<std::string>{c.versionMessage, kQualification}));
      EXPECT_TRUE(plugin.globalMethods.empty());
      EXPECT_TRUE(plugin.classes.empty());
    } else {
      EXPECT_TRUE(plugin.loadMessages.empty());
      // Global methods always travel as full records; the host reads them by
      // the announced interface version.
      const std::vector<std::string> declarations = globalDeclarations(plugin);
      ASSERT_GE(declarations.size(), 2u);
      EXPECT_EQ(std::vector<std::string>(declarations.begin(), declarations.begin() + 2),
                kErrorMethods);
      ASSERT_FALSE(plugin.classes.empty());
      // Records are machine words: 12 and 16 bytes on the 32-bit target.
      const size_t recordSize =
          c.shortRecords ? sizeof(RbShortMethodRecord) : sizeof(RbMethodRecord);
      for (const rbhost::ClassRegistration& cls : plugin.classes) {
        EXPECT_EQ(cls.methodRecordSize, recordSize) << cls.name;
      }
      // Read at that stride, the rectangle's table still holds every
      // declaration and working functions.
      const rbhost::ClassRegistration* rect = plugin.findClass("TVQ_Rectangle");
      ASSERT_NE(rect, nullptr);
      ASSERT_EQ(rect->methods.size(), 14u);
      EXPECT_EQ(rect->methods.back().declaration, "MessageBox()");
      RbObject r = loaded.host.newInstance("TVQ_Rectangle");
      loaded.host.setProperty<int32_t>(r, "width", 3);
      loaded.host.setProperty<int32_t>(r, "height", 4);
      EXPECT_EQ(loaded.host.callClassMethod<int32_t>("TVQ_Rectangle", "Area() as integer", r), 12);
      loaded.host.release(r);
      // The one assignable method keeps its setter in either layout.
      constexpr const char* kValue = "Value(i as integer, j as integer) as double";
      RbObject cm = loaded.host.newInstance("TVQ_ColorMatrix");
      loaded.host.callSetter("TVQ_ColorMatrix", kValue, cm, int32_t{0}, int32_t{2}, 0.5);
      EXPECT_EQ(loaded.host.callClassMethod<double>("TVQ_ColorMatrix", kValue, cm, int32_t{0},
                                                    int32_t{2}),
                0.5);
      loaded.host.release(cm);
    }
    EXPECT_TRUE(rbtest::AuditUnchanged(loaded.host, loaded.before));
  }
}

TEST(GraphicsVersionGate, HostWithoutVersionServiceIsRefused) {
  rbhost::HostOptions options;
  options.missingServices = {"REALGetRBVersion"};
  LoadedHost loaded(options);
  EXPECT_EQ(loaded.plugin.loadMessages,
            (std::vector<std::string>{"rb_version: 0.000000", kQualification}));
  EXPECT_TRUE(loaded.plugin.globalMethods.empty());
  EXPECT_TRUE(loaded.plugin.classes.empty());
  EXPECT_TRUE(rbtest::AuditUnchanged(loaded.host, loaded.before));
}

TEST(GraphicsRegistration, HostWithoutClassServiceStillGetsGlobalMethods) {
  rbhost::HostOptions options;
  options.missingServices = {"PluginRegisterClass"};
  LoadedHost loaded(options);
  EXPECT_EQ(globalDeclarations(loaded.plugin).at(0), kErrorMethods[0]);
  EXPECT_EQ(loaded.plugin.findClass("TVQ_Rectangle"), nullptr);
  EXPECT_TRUE(rbtest::AuditUnchanged(loaded.host, loaded.before));
}

}  // namespace
}  // namespace tvqtest
