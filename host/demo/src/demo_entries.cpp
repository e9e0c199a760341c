#include "rbdemo/demo_entries.h"

#include <cstdio>
#include <utility>

namespace rbdemo {
namespace {

Registration method(std::string declaration) { return {"", std::move(declaration), ""}; }
Registration classMethod(std::string cls, std::string declaration) {
  return {std::move(cls), std::move(declaration), ""};
}
Registration property(std::string owner, std::string name) {
  return {std::move(owner), "", std::move(name)};
}

// A picture-valued operation applied in one line.
DemoEntry op(std::string title, std::string declaration, std::string expression) {
  DemoEntry e;
  e.title = std::move(title);
  e.key = method(std::move(declaration));
  e.statement = "result = " + expression;
  return e;
}

const Registration kColorMatrixClass =
    classMethod("TVQ_ColorMatrix", "Value(i as integer, j as integer) as double");
const Registration kConvolutionClass =
    classMethod("TVQ_Convolution", "SetCoefficients(coeffs() as integer)");
const Registration kClientPictureFrom =
    classMethod("TVQ_ClientPicture", "operator_convert(p as picture)");
const Registration kClientPictureTo =
    classMethod("TVQ_ClientPicture", "operator_convert() as picture");

// Swaps red and blue: the same matrix read by rows or by columns.
const std::vector<std::string> kSwapMatrix = {"Dim cm As New TVQ_ColorMatrix", "cm.Value(0, 0) = 0",
                                              "cm.Value(2, 2) = 0", "cm.Value(0, 2) = 1",
                                              "cm.Value(2, 0) = 1"};

std::vector<DemoEntry> makeEntries() {
  std::vector<DemoEntry> list;
  auto add = [&](DemoEntry e) { list.push_back(std::move(e)); };
  auto with = [](DemoEntry e, std::vector<std::string> setup, std::vector<Registration> needs = {},
                 std::vector<std::string> after = {}) {
    e.setup = std::move(setup);
    e.alsoNeeds = std::move(needs);
    e.after = std::move(after);
    return e;
  };

  // ---- TvqGraphics: colour
  add(op("Offset RGB in a rectangle",
         "TVQ_AdjustRGB(rect as TVQ_Rectangle, red_delta as integer, green_delta as integer, "
         "blue_delta as integer) as picture",
         "card.TVQ_AdjustRGB(area, 60, 0, -60)"));
  {
    DemoEntry e;
    e.title = "Offset RGB in place";
    e.key = method(
        "TVQ_AdjustRGB_InPlace(rect as TVQ_Rectangle, red_delta as integer, green_delta as "
        "integer, blue_delta as integer)");
    e.statement = "scratch.TVQ_AdjustRGB_InPlace(area, -60, 0, 60)";
    e.after = {"result = scratch"};
    add(e);
  }
  add(op("Offset RGB through a mask",
         "TVQ_AdjustRGBWithMask(mask as picture, red_delta as integer, green_delta as integer, "
         "blue_delta as integer) as picture",
         "card.TVQ_AdjustRGBWithMask(mask, 80, -40, -40)"));
  add(with(op("Colour matrix in a rectangle",
              "TVQ_AdjustRGB(rect as TVQ_Rectangle, cm as TVQ_ColorMatrix) as picture",
              "card.TVQ_AdjustRGB(area, cm)"),
           kSwapMatrix, {kColorMatrixClass}));
  add(with(op("Colour matrix through a mask",
              "TVQ_AdjustRGBWithMask(mask as picture, cm as TVQ_ColorMatrix) as picture",
              "card.TVQ_AdjustRGBWithMask(mask, cm)"),
           kSwapMatrix, {kColorMatrixClass}));
  {
    // A parameter sweep: five bands of the card, each at its own factor.
    DemoEntry e;
    e.title = "Contrast sweep, 0.5 to 2.5";
    e.key = method(
        "TVQ_AdjustContrast(extends p as picture, rect as TVQ_Rectangle, center as color, "
        "red_factor as double, green_factor as double, blue_factor as double) as picture");
    e.setup = {"Dim band As New TVQ_Rectangle", "band.Resize card.Width \\ 5, card.Height"};
    e.statement =
        "result = card\n"
        "For i As Integer = 0 To 4\n"
        "  band.MoveTo i * band.width, 0\n"
        "  Dim f As Double = 0.5 + i * 0.5\n"
        "  result = result.TVQ_AdjustContrast(band, &h808080, f, f, f)\n"
        "Next";
    add(e);
  }
  add(op("Contrast about mid-grey",
         "TVQ_AdjustContrast(extends p as picture, rect as TVQ_Rectangle, center as color, "
         "red_factor as double, green_factor as double, blue_factor as double) as picture",
         "card.TVQ_AdjustContrast(area, &h808080, 1.8, 1.8, 1.8)"));
  add(op("Contrast through a mask",
         "TVQ_AdjustContrastWithMask(extends p as picture, mask as picture, center as color, "
         "red_factor as double, green_factor as double, blue_factor as double) as picture",
         "card.TVQ_AdjustContrastWithMask(mask, &h808080, 0.3, 0.3, 0.3)"));
  {
    DemoEntry e;
    e.title = "Average contrast of a rectangle";
    e.key = method(
        "TVQ_GetAverageContrast(extends p as picture, rect as TVQ_Rectangle, center as color, "
        "ByRef red_contrast as integer, ByRef green_contrast as integer, ByRef blue_contrast as "
        "integer)");
    e.setup = {"Dim r As Integer", "Dim g As Integer", "Dim b As Integer"};
    e.statement = "card.TVQ_GetAverageContrast(area, &h808080, r, g, b)";
    e.after = {"Print r, g, b"};
    add(e);
  }
  add(op("Gamma knee at mid-grey",
         "TVQ_AdjustGamma(rect as TVQ_Rectangle, center as color, red_factor as double, "
         "green_factor as double, blue_factor as double) as picture",
         "card.TVQ_AdjustGamma(area, &h808080, 1.6, 1.6, 1.6)"));
  add(op("Gamma through a mask",
         "TVQ_AdjustGammaWithMask(mask as picture, center as color, red_factor as double, "
         "green_factor as double, blue_factor as double) as picture",
         "card.TVQ_AdjustGammaWithMask(mask, &h808080, 1.6, 1.2, 0.8)"));
  add(op("Hue turned by 120 degrees",
         "TVQ_AdjustHSV(rect as TVQ_Rectangle, hue_degrees as double, saturation_factor as double, "
         "brightness_factor as double, negative as boolean) as picture",
         "card.TVQ_AdjustHSV(area, 120, 1, 1, False)"));
  add(op("Hue and saturation through a mask",
         "TVQ_AdjustHSVWithMask(mask as picture, hue_degrees as double, saturation_factor as "
         "double, brightness_factor as double) as picture",
         "card.TVQ_AdjustHSVWithMask(mask, 180, 1.5, 1)"));
  {
    DemoEntry e;
    e.title = "Average hue, saturation and brightness";
    e.key = method(
        "TVQ_GetAverageHSV(rect as TVQ_Rectangle, ByRef hue_degrees as double, ByRef saturation as "
        "double, ByRef brightness as double)");
    e.setup = {"Dim h As Double", "Dim s As Double", "Dim v As Double"};
    e.statement = "card.TVQ_GetAverageHSV(area, h, s, v)";
    e.after = {"Print h, s, v"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Average colour of a rectangle";
    e.key = method(
        "TVQ_GetAverageRGB(rect as TVQ_Rectangle, ByRef red as integer, ByRef green as integer, "
        "ByRef blue as integer)");
    e.setup = {"Dim r As Integer", "Dim g As Integer", "Dim b As Integer"};
    e.statement = "card.TVQ_GetAverageRGB(area, r, g, b)";
    e.after = {"Print r, g, b"};
    add(e);
  }
  add(op("Pulled towards grey",
         "TVQ_AverageRGB(rect as TVQ_Rectangle, center as color, red_weight as double, "
         "green_weight as double, blue_weight as double) as picture",
         "card.TVQ_AverageRGB(area, &h808080, 1, 1, 1)"));
  add(op("Pulled towards orange through a mask",
         "TVQ_AverageRGBWithMask(mask as picture, center as color, red_weight as double, "
         "green_weight as double, blue_weight as double) as picture",
         "card.TVQ_AverageRGBWithMask(mask, &hFF8000, 2, 2, 2)"));
  add(op("Threshold: light pixels become magenta",
         "TVQ_Threshold(extends p as picture, rect as TVQ_Rectangle, darker as boolean, "
         "and_threshold as boolean, threshold as color, target as color) as picture",
         "card.TVQ_Threshold(area, False, True, &hC0C0C0, &hFF00FF)"));
  add(op("Threshold through a mask",
         "TVQ_ThresholdWithMask(extends p as picture, mask as picture, darker as boolean, "
         "and_threshold as boolean, threshold as color, target as color) as picture",
         "card.TVQ_ThresholdWithMask(mask, True, True, &h606060, &h0000FF)"));

  // ---- TvqGraphics: compositing
  add(op("Add", "TVQ_Add(extends p as picture, addend as picture) as picture",
         "card.TVQ_Add(other)"));
  add(op("Subtract", "TVQ_Subtract(extends p as picture, subtractend as picture) as picture",
         "card.TVQ_Subtract(other)"));
  add(op("Overlay at half strength",
         "TVQ_Composite(extends p as picture, overlay as picture, overlay_fraction as double, left "
         "as integer, top as integer) as picture",
         "card.TVQ_Composite(other, 0.5, 40, 30)"));
  add(op("A colour over a rectangle",
         "TVQ_Composite(extends p as picture, rect as TVQ_Rectangle, overlay_color as color, "
         "overlay_fraction as double) as picture",
         "card.TVQ_Composite(area, &hFF0000, 0.35)"));
  add(op("Overlay through a mask",
         "TVQ_CompositeWithMask(extends p as picture, overlay as picture, mask as picture, left as "
         "integer, top as integer) as picture",
         "card.TVQ_CompositeWithMask(other, mask, 0, 0)"));
  add(op("Transition frame",
         "TVQ_Transition(extends p as picture, overlay_a as picture, overlay_b as picture, "
         "overlay_a_fraction as double) as picture",
         "card.TVQ_Transition(other, mask, 0.3)"));
  // Five frames of a cross-fade from the card to the other picture, laid
  // side by side with the overlay composite.
  {
    const std::string transition =
        "TVQ_Transition(extends p as picture, overlay_a as picture, overlay_b as picture, "
        "overlay_a_fraction as double) as picture";
    DemoEntry e;
    e.title = "Cross-fade strip: 1, 0.75, 0.5, 0.25, 0";
    e.key = method(transition);
    e.alsoNeeds = {
        method("TVQ_Composite(extends p as picture, overlay as picture, overlay_fraction as "
               "double, left as integer, top as integer) as picture")};
    e.setup = {"Dim strip As Picture = NewPicture(card.Width * 5, card.Height, 24)"};
    e.statement = "Dim half As Picture = card.TVQ_Transition(card, other, 0.5)";
    e.after = {
        "strip = strip.TVQ_Composite(card.TVQ_Transition(card, other, 1.0), 1.0, 0, 0)",
        "strip = strip.TVQ_Composite(card.TVQ_Transition(card, other, 0.75), 1.0, card.Width, 0)",
        "strip = strip.TVQ_Composite(half, 1.0, card.Width * 2, 0)",
        "strip = strip.TVQ_Composite(card.TVQ_Transition(card, other, 0.25), 1.0, card.Width * 3, "
        "0)",
        "strip = strip.TVQ_Composite(card.TVQ_Transition(card, other, 0.0), 1.0, card.Width * 4, "
        "0)",
        "result = strip"};
    add(e);
  }
  // Red where a rectangle of the card was changed, white elsewhere.
  add(with(op("Difference from a changed copy", "TVQ_Difference(compare as picture) as picture",
              "card.TVQ_Difference(changed)"),
           {"Dim changed As Picture = card.TVQ_AdjustRGB(area, 40, 0, 0)"},
           {method("TVQ_AdjustRGB(rect as TVQ_Rectangle, red_delta as integer, green_delta as "
                   "integer, blue_delta as integer) as picture")}));
  {
    DemoEntry e;
    e.title = "Compare two pictures";
    e.key = method("TVQ_Compare(compare as picture, rect as TVQ_Rectangle) as boolean");
    e.statement = "Dim same As Boolean = card.TVQ_Compare(scratch, area)";
    e.after = {"Print same, card.TVQ_Compare(other, area)"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Client pictures: overlay";
    e.key = method(
        "TVQ_Composite(extends cp as TVQ_ClientPicture, overlay as TVQ_ClientPicture, "
        "overlay_fraction as double, left as integer, top as integer, as_picture as boolean = "
        "false) as TVQ_ClientPicture");
    e.alsoNeeds = {kClientPictureFrom, kClientPictureTo};
    e.setup = {"Dim cp As TVQ_ClientPicture = card", "Dim overlay As TVQ_ClientPicture = other"};
    e.statement = "Dim combined As TVQ_ClientPicture = cp.TVQ_Composite(overlay, 0.5, 40, 30)";
    e.after = {"result = combined"};
    add(e);
  }

  // ---- TvqGraphics: geometry
  // The eight symmetries side by side.
  for (const auto& [title, arguments] :
       std::vector<std::pair<std::string, std::string>>{{"as it is", "False, False, 0"},
                                                        {"columns mirrored", "True, False, 0"},
                                                        {"rows mirrored", "False, True, 0"},
                                                        {"half turn", "False, False, 2"},
                                                        {"quarter turn", "False, False, 1"},
                                                        {"three-quarter turn", "False, False, 3"},
                                                        {"transposed", "False, True, 1"},
                                                        {"anti-transposed", "True, False, 1"}}) {
    add(op("Symmetries: " + title,
           "TVQ_FlipRotate(extends p as picture, flip_h as boolean, flip_v as boolean, rotation "
           "as integer) as picture",
           "card.TVQ_FlipRotate(" + arguments + ")"));
  }
  add(op("Stretch down to 192 x 96",
         "TVQ_Stretch(extends p as picture, width as integer, height as integer) as picture",
         "card.TVQ_Stretch(192, 96)"));
  add(op("Stretch up to 480 x 300",
         "TVQ_Stretch(extends p as picture, width as integer, height as integer) as picture",
         "card.TVQ_Stretch(480, 300)"));
  {
    DemoEntry e;
    e.title = "Client pictures: stretch";
    e.key = method(
        "TVQ_Stretch(extends cp as TVQ_ClientPicture, width as integer, height as integer, "
        "as_picture as boolean) as TVQ_ClientPicture");
    e.alsoNeeds = {kClientPictureFrom, kClientPictureTo};
    e.setup = {"Dim cp As TVQ_ClientPicture = card"};
    e.statement = "Dim stretched As TVQ_ClientPicture = cp.TVQ_Stretch(200, 300, False)";
    e.after = {"result = stretched"};
    add(e);
  }
  add(op("Shear rows, transparent frame",
         "TVQ_ShearHorizontal(width as integer, height as integer, shear as double) as picture",
         "card.TVQ_ShearHorizontal(440, 240, 0.5)"));
  add(op("Shear rows, coloured frame",
         "TVQ_ShearHorizontal(width as integer, height as integer, shear as double, frame_color as "
         "color) as picture",
         "card.TVQ_ShearHorizontal(440, 240, -0.5, &h336699)"));
  add(op("Shear columns, transparent frame",
         "TVQ_ShearVertical(width as integer, height as integer, shear as double) as picture",
         "card.TVQ_ShearVertical(320, 320, 0.25)"));
  add(op("Shear columns, coloured frame",
         "TVQ_ShearVertical(width as integer, height as integer, shear as double, frame_color as "
         "color) as picture",
         "card.TVQ_ShearVertical(320, 320, -0.25, &h336699)"));
  {
    // The transparent form carries the source's mask through 32-bit working
    // masks (an 8-bit mask, the host's own kind, gives nil): an opaque
    // 32-bit mask on a copy of the card.
    DemoEntry e = op("Rotate by three shears, transparent outside",
                     "TVQ_FreeRotateByShear(rotation as double) as picture",
                     "masked.TVQ_FreeRotateByShear(30)");
    e.alsoNeeds = {
        method("TVQ_FlipRotate(extends p as picture, flip_h as boolean, flip_v as "
               "boolean, rotation as integer) as picture")};
    e.setup = {"Dim masked As Picture = card.TVQ_FlipRotate(False, False, 0)",
               "Dim opaque As Picture = NewPicture(masked.Width, masked.Height, 32)",
               "For y As Integer = 0 To masked.Height - 1\n"
               "  For x As Integer = 0 To masked.Width - 1\n"
               "    opaque.RGBSurface.RawPixel(x, y) = 0\n"
               "  Next\n"
               "Next",
               "masked.Mask = opaque"};
    add(e);
  }
  add(op("Rotate by three shears, coloured frame",
         "TVQ_FreeRotateByShear(rotation as double, frame_color as color) as picture",
         "card.TVQ_FreeRotateByShear(30, &h336699)"));
  add(op("Rotate by area sampling",
         "TVQ_FreeRotateDirect(rotation as double, frame_color as color) as picture",
         "card.TVQ_FreeRotateDirect(30, &h336699)"));
  add(op(
      "Trim to a rectangle",
      "TVQ_Trim(extends p as picture, trim_rect as TVQ_Rectangle, frame_color as color) as picture",
      "card.TVQ_Trim(area, &h336699)"));
  {
    DemoEntry e;
    e.title = "Client pictures: trim";
    e.key = method(
        "TVQ_Trim(extends cp as TVQ_ClientPicture, trim_rect as TVQ_Rectangle, frame_color as "
        "color) as TVQ_ClientPicture");
    e.alsoNeeds = {kClientPictureFrom, kClientPictureTo};
    e.setup = {"Dim cp As TVQ_ClientPicture = card"};
    e.statement = "Dim trimmed As TVQ_ClientPicture = cp.TVQ_Trim(area, &h336699)";
    e.after = {"result = trimmed"};
    add(e);
  }
  add(op(
      "Pixelate",
      "TVQ_Pixelate(extends p as picture, rect as TVQ_Rectangle, pixelation as integer) as picture",
      "card.TVQ_Pixelate(area, 8)"));
  add(op("Crawling ants around a rectangle",
         "TVQ_CrawlingAnts(extends p as picture, rect as TVQ_Rectangle, ant_color as color, "
         "shadow_color as color, ant_size as integer, ant_state as integer) as picture",
         "card.TVQ_CrawlingAnts(area, &hFFFFFF, &h000000, 4, 0)"));
  add(op("Crawling ants, one step on",
         "TVQ_CrawlingAnts(extends p as picture, rect as TVQ_Rectangle, ant_color as color, "
         "shadow_color as color, ant_size as integer, ant_state as integer) as picture",
         "card.TVQ_CrawlingAnts(area, &hFFFFFF, &h000000, 4, 1)"));
  add(with(op("Separable convolution (1 4 6 4 1)",
              "TVQ_Convolute(extends p as picture, rect as TVQ_Rectangle, horiz_convolution as "
              "TVQ_Convolution,vert_convolution as TVQ_Convolution) as picture",
              "card.TVQ_Convolute(area, kernel, kernel)"),
           {"Dim kernel As New TVQ_Convolution", "kernel.SetCoefficients(Array(1, 4, 6, 4, 1))"},
           {kConvolutionClass}));

  // ---- TvqGraphics: conversion and capture
  add(op("Down-sample to 2 bits a channel",
         "TVQ_Downsample(extends p as picture, bits_per_channel as integer) as picture",
         "card.TVQ_Downsample(2)"));
  {
    DemoEntry e;
    e.title = "Pixels into a memory block";
    e.key = method(
        "TVQ_MakeMemoryBlock(extends p as picture, rect as TVQ_Rectangle, mask_to_alpha as "
        "boolean, ByRef row_bytes as integer) as picture");
    e.setup = {"Dim rowBytes As Integer"};
    e.statement = "Dim block As MemoryBlock = card.TVQ_MakeMemoryBlock(area, False, rowBytes)";
    e.after = {"Print block, rowBytes"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Depth, row length and mask of a picture";
    e.key = property("picture", "TVQ_BitDepth");
    e.alsoNeeds = {property("picture", "TVQ_RowBytes"), property("picture", "TVQ_HasMask")};
    e.statement = "Print card.TVQ_BitDepth, card.TVQ_RowBytes, card.TVQ_HasMask";
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Screen capture of a display showing the card";
    e.key =
        method("TVQ_ScreenCapture(extends s as screen, capture_rect as TVQ_Rectangle) as picture");
    e.setup = {"SetDisplay(card)"};
    e.statement = "result = Screen(0).TVQ_ScreenCapture(area)";
    add(e);
  }
  {
    DemoEntry e;
    e.title = "A rectangle's message box";
    e.key = classMethod("TVQ_Rectangle", "MessageBox()");
    e.statement = "area.MessageBox";
    add(e);
  }
  {
    DemoEntry e;
    e.title = "A colour matrix scaled, in a message box";
    e.key = classMethod("TVQ_ColorMatrix", "Multiply(factor as double) as TVQ_ColorMatrix");
    e.alsoNeeds = {classMethod("TVQ_ColorMatrix", "MessageBox()")};
    e.setup = {"Dim cm As New TVQ_ColorMatrix"};
    e.statement = "Dim doubled As TVQ_ColorMatrix = cm.Multiply(2.5)";
    e.after = {"doubled.MessageBox"};
    add(e);
  }

  // ---- ZrwPicture: tone changes
  add(op("Brightness, absolute", "ChangeBrightnessAbsoluteZRW(x as double) as picture",
         "card.ChangeBrightnessAbsoluteZRW(60)"));
  add(op("Brightness, absolute per channel",
         "ChangeBrightnessAbsoluteZRW(r as double, g as double, b as double) as picture",
         "card.ChangeBrightnessAbsoluteZRW(60, 0, -60)"));
  add(op("Brightness, linear", "ChangeBrightnessLinearZRW(x as double) as picture",
         "card.ChangeBrightnessLinearZRW(-80)"));
  add(op("Brightness, linear per channel",
         "ChangeBrightnessLinearZRW(r as double, g as double, b as double) as picture",
         "card.ChangeBrightnessLinearZRW(-80, 0, 80)"));
  add(op("Custom tone map: negative", "ChangeCustomZRW(a as double, b as double) as picture",
         "card.ChangeCustomZRW(-1, 255)"));
  add(op("Contrast", "ChangeContrastZRW(x as double) as picture", "card.ChangeContrastZRW(1)"));
  add(op("Contrast per channel",
         "ChangeContrastZRW(xr as double, xg as double, xb as double) as picture",
         "card.ChangeContrastZRW(0.8, 0, -0.5)"));

  // ---- ZrwPicture: geometry and copies
  add(op("Invert a rectangle",
         "InvertZRW(left as integer,top as integer,width as integer,height as integer) as picture",
         "card.InvertZRW(40, 30, 240, 180)"));
  add(op("Quarter turn", "Rotate90ZRW as picture", "card.Rotate90ZRW"));
  add(op("Half turn", "Rotate180ZRW as picture", "card.Rotate180ZRW"));
  add(op("Three quarter turns", "Rotate270ZRW as picture", "card.Rotate270ZRW"));
  add(op("Free rotation", "RotateZRW(angle as double,background as color) as picture",
         "card.RotateZRW(30, &h336699)"));
  add(op("Mirror top to bottom", "VMirrorZRW as picture", "card.VMirrorZRW"));
  add(op("Mirror left to right", "HMirrorZRW as picture", "card.HMirrorZRW"));
  add(op("Copy", "CloneZRW as picture", "card.CloneZRW"));
  add(op("Copy through a bitmap", "BitmapZRW as picture", "card.BitmapZRW"));
  add(op("Scale with anti-aliasing",
         "ScaleZRW(width as integer, height as integer, AntiAlias as boolean) as picture",
         "card.ScaleZRW(480, 180, True)"));
  add(op("Mask from the fourth byte", "EmbededMaskZRW(swap as boolean) as picture",
         "card.EmbededMaskZRW(False)"));

  // ---- ZrwPicture: blending, tinting, combining
  add(op("Blend 60/40",
         "BlendPicturesZRW(source as picture, sourcepercent as double, dest as picture, "
         "destpercent as double) as picture",
         "BlendPicturesZRW(card, 0.6, other, 0.4)"));
  add(op("Blend through a mask",
         "BlendPicturesWithMaskZRW(source as picture, dest as picture, mask as picture) as picture",
         "BlendPicturesWithMaskZRW(card, other, mask)"));
  add(op("Tint",
         "TintPictureZRW(source as picture, GreyBase as color, SepiaBase as color) as picture",
         "TintPictureZRW(card, &h402000, &hFFE0A0)"));
  add(op("Channels from three pictures",
         "CombinePicturesZRW(red as picture, blue as picture, green as picture) as picture",
         "CombinePicturesZRW(card, other, card)"));

  // ---- ZrwPicture: colours and memory blocks
  {
    DemoEntry e;
    e.title = "Count one colour";
    e.key = method("CountColorZRW(col as color) as integer");
    e.statement = "Dim whites As Integer = card.CountColorZRW(&hFFFFFF)";
    e.after = {"Print whites"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Histograms";
    e.key = method(
        "CountColorsZRW(byref red as memoryblock, byref blue as memoryblock, byref green as "
        "memoryblock, byref count as integer)");
    e.setup = {"Dim r As MemoryBlock", "Dim b As MemoryBlock", "Dim g As MemoryBlock",
               "Dim n As Integer"};
    e.statement = "card.CountColorsZRW(r, b, g, n)";
    e.after = {"Print n, r, g, b"};
    add(e);
  }
  add(op("Lookup tables: red inverted",
         "TransformColorsZRW(red as memoryblock, blue as memoryblock, green as memoryblock) as "
         "picture",
         "card.TransformColorsZRW(invert, identity, identity)"));
  {
    DemoEntry e;
    e.title = "RGB bytes into a memory block";
    e.key =
        method("CopyRGBtoMemoryblock(destination as memoryblock, offset as integer) as boolean");
    e.setup = {"Dim block As MemoryBlock = NewMemoryBlock(card.Width * card.Height * 3)"};
    e.statement = "Dim copied As Boolean = card.CopyRGBtoMemoryblock(block, 0)";
    e.after = {"Print copied, block.Byte(0), block.Byte(1), block.Byte(2)"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "ARGB words into a memory block";
    e.key = method(
        "CopyARGBtoMemoryblock(destination as memoryblock, offset as integer, LittleEndian as "
        "boolean, AlphaValue as integer) as boolean");
    e.setup = {"Dim block As MemoryBlock = NewMemoryBlock(card.Width * card.Height * 4)"};
    e.statement = "Dim copied As Boolean = card.CopyARGBtoMemoryblock(block, 0, False, 255)";
    e.after = {"Print copied, block.Byte(0), block.Byte(1), block.Byte(2), block.Byte(3)"};
    add(e);
  }
  for (const char* channel : {"R", "G", "B"}) {
    DemoEntry e;
    e.title = std::string("One channel (") + channel + ") into a memory block";
    e.key = method(std::string("Copy") + channel +
                   "toMemoryblock(destination as memoryblock, offset as integer, PixelByteSize as "
                   "integer) as boolean");
    e.setup = {"Dim block As MemoryBlock = NewMemoryBlock(card.Width * card.Height)"};
    e.statement =
        std::string("Dim copied As Boolean = card.Copy") + channel + "toMemoryblock(block, 0, 1)";
    e.after = {"Print copied, block.Byte(0)"};
    add(e);
  }

  // ---- ZrwPicture: binary strings, picture handles, screenshots
  {
    DemoEntry e;
    e.title = "Binary string and back";
    e.key = method("BinaryStringtoPictureZRW(data as String) as Picture");
    e.alsoNeeds = {method("PicturetoBinaryStringZRW(p as picture) as string")};
    e.setup = {"Dim data As String = PicturetoBinaryStringZRW(card)"};
    e.statement = "result = BinaryStringtoPictureZRW(data)";
    e.after = {"Print LenB(data)"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Picture-handle data and back";
    e.key = method("BuildPictureWithPicHandleDataZRW(data as string) as picture");
    e.alsoNeeds = {method("PicHandleDataZRW as string")};
    e.setup = {"Dim data As String = card.PicHandleDataZRW"};
    e.statement = "result = BuildPictureWithPicHandleDataZRW(data)";
    e.after = {"Print LenB(data)"};
    add(e);
  }
  add(op("Picture handle", "PicHandleZRW as picture", "card.PicHandleZRW"));
  {
    DemoEntry e;
    e.title = "Storage kind";
    e.key = method("DataTypeZRW as integer");
    e.statement = "Print card.DataTypeZRW";
    add(e);
  }
  {
    DemoEntry e =
        op("Screenshot of a display showing the card", "ScreenshotZRW as picture", "ScreenshotZRW");
    e.setup = {"SetDisplay(card)"};
    add(e);
  }
  {
    DemoEntry e =
        op("Screenshot of display 0, a 16-bit display",
           "ScreenshotDisplayZRW(index as integer) as picture", "ScreenshotDisplayZRW(0)");
    e.setup = {"SetDisplay(card, 16)"};
    add(e);
  }
  {
    DemoEntry e = op("Screenshot of a rectangle reaching past the display",
                     "ScreenshotRectZRW(left as integer, top as integer, width as integer, height "
                     "as integer) as picture",
                     "ScreenshotRectZRW(-20, -20, card.Width \\ 2 + 20, card.Height \\ 2 + 20)");
    e.setup = {"SetDisplay(card)"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Desktop painted on a picture";
    e.key = method("PaintDesktopZRW");
    e.setup = {"SetDesktopColor(RGB(58, 110, 165))",
               "result = NewPicture(card.Width, card.Height, 32)"};
    e.statement = "result.Graphics.PaintDesktopZRW";
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Bitmap handle of the card, deleted by the program";
    e.key = method("MakeHBITMAPZRW as integer");
    e.statement = "Dim bitmap As Integer = card.MakeHBITMAPZRW";
    e.after = {"Print bitmap <> 0, DeleteObject(bitmap)"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Picture of a graphics world";
    e.key = method(
        "BuildPictureWithGWorldHandleZRW(handle as integer, ByPassOwernerShip as boolean) as "
        "picture");
    e.setup = {"Dim world As Integer = NewGWorld(card)"};
    e.statement = "result = BuildPictureWithGWorldHandleZRW(world, False)";
    add(e);
  }

  // ---- ZrwPicture: palettes
  for (const char* name : {"Gray", "Web", "Red", "Green", "Blue", "System", "Windows", "Palm"}) {
    DemoEntry e;
    e.title = std::string(name) + " palette";
    e.key = method(std::string("New") + name + "PaletteZRW as PaletteZRW");
    e.alsoNeeds = {classMethod("PaletteZRW", "CountColors as integer"),
                   classMethod("PaletteZRW", "Col(i as integer) as color")};
    e.statement = std::string("Dim pal As PaletteZRW = New") + name + "PaletteZRW";
    e.after = {"Print pal.Count, pal.CountColors",
               "' a strip of the 256 entries, one column each\n"
               "For y As Integer = 0 To 7\n"
               "  For x As Integer = 0 To 255\n"
               "    strip.RGBSurface.Pixel(x, y) = pal.Col(x)\n"
               "  Next\n"
               "Next",
               "result = strip"};
    e.setup = {"Dim strip As Picture = NewPicture(256, 8, 32)"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "A palette put on an 8-bit picture";
    e.key = method("PaletteZRW as PaletteZRW");
    e.alsoNeeds = {method("NewRedPaletteZRW as PaletteZRW")};
    e.setup = {"Dim pal As PaletteZRW = NewRedPaletteZRW"};
    e.statement = "grey8.PaletteZRW = pal";
    e.after = {"result = grey8"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "A picture from a palette";
    e.key = classMethod("PaletteZRW", "NewPicture(width as integer,height as integer) as picture");
    e.alsoNeeds = {method("NewWebPaletteZRW as PaletteZRW")};
    e.setup = {"Dim pal As PaletteZRW = NewWebPaletteZRW"};
    e.statement = "result = pal.NewPicture(160, 120)";
    add(e);
  }

  // ---- ZrwPicture: processing classes
  {
    DemoEntry e;
    e.title = "Sepia toning";
    e.key = classMethod("PictureSepiaZRW", "Run as boolean");
    e.setup = {"Dim sepia As New PictureSepiaZRW", "sepia.SourcePicture = card",
               "sepia.SepiaRed = 40", "sepia.SepiaGreen = 20", "sepia.SepiaBlue = -20"};
    e.statement = "Dim done As Boolean = sepia.Run";
    e.after = {"result = sepia.DestinationPicture", "sepia.Close"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "5 x 5 filter: blur";
    e.key = classMethod("PictureMatrixZRW", "Run as boolean");
    e.alsoNeeds = {
        classMethod("PictureMatrixZRW", "Matrix(x as integer, y as integer) as integer")};
    e.setup = {"Dim filter As New PictureMatrixZRW", "filter.SourcePicture = card",
               "filter.ScaleFactor = 1 / 25",
               "' every filter.Matrix(x, y) = 1, x and y from 0 to 4"};
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x)
        e.quietSetup.push_back("filter.Matrix(" + std::to_string(x) + ", " + std::to_string(y) +
                               ") = 1");
    e.statement = "Dim done As Boolean = filter.Run";
    e.after = {"result = filter.DestinationPicture", "filter.Close"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "5 x 5 filter: edges";
    e.key = classMethod("PictureMatrixZRW", "Run as boolean");
    e.alsoNeeds = {
        classMethod("PictureMatrixZRW", "Matrix(x as integer, y as integer) as integer")};
    e.setup = {"Dim filter As New PictureMatrixZRW",
               "filter.SourcePicture = card",
               "filter.Matrix(2, 2) = 4",
               "filter.Matrix(1, 2) = -1",
               "filter.Matrix(3, 2) = -1",
               "filter.Matrix(2, 1) = -1",
               "filter.Matrix(2, 3) = -1",
               "filter.Displacement = 128"};
    e.statement = "Dim done As Boolean = filter.Run";
    e.after = {"result = filter.DestinationPicture", "filter.Close"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Colour matrix: grey from green";
    e.key = classMethod("PictureMatrix3DZRW", "Run as boolean");
    e.alsoNeeds = {
        classMethod("PictureMatrix3DZRW", "Matrix(x as integer, y as integer) as double")};
    e.setup = {"Dim colours As New PictureMatrix3DZRW", "colours.SourcePicture = card",
               "colours.Matrix(1, 0) = 1", "colours.Matrix(1, 1) = 1", "colours.Matrix(1, 2) = 1"};
    e.statement = "Dim done As Boolean = colours.Run";
    e.after = {"result = colours.DestinationPicture", "colours.Close"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "Separable blur (1/4 1/2 1/4)";
    e.key = classMethod("PictureConvolutionZRW", "Run(channels as integer) as boolean");
    e.alsoNeeds = {classMethod("PictureConvolutionZRW", "Hor(index as integer) as double"),
                   classMethod("PictureConvolutionZRW", "Ver(index as integer) as double")};
    e.setup = {"Dim blur As New PictureConvolutionZRW",
               "blur.SourcePicture = card",
               "blur.ValueCount = 3",
               "blur.Hor(0) = 0.25",
               "blur.Hor(1) = 0.5",
               "blur.Hor(2) = 0.25",
               "blur.Ver(0) = 0.25",
               "blur.Ver(1) = 0.5",
               "blur.Ver(2) = 0.25"};
    e.statement = "Dim done As Boolean = blur.Run(7)";
    e.after = {"result = blur.DestinationPicture", "blur.Close"};
    add(e);
  }
  {
    DemoEntry e;
    e.title = "3-D lookup table: reds kept, the rest grey";
    e.key = classMethod("PictureLut3DZRW", "Run as boolean");
    e.alsoNeeds = {
        classMethod("PictureLut3DZRW",
                    "Table(r as integer, g as integer, b as integer, x as integer) as double")};
    e.setup = {"Dim lut As New PictureLut3DZRW", "lut.SourcePicture = card",
               "' node (r, g, b) stands for the colour (17 r, 17 g, 17 b): where red leads,",
               "' lut.Table(r, g, b, x) keeps it, elsewhere it is the grey 17 (0.3 r + 0.59 g + "
               "0.11 b)"};
    for (int r = 0; r < 16; ++r)
      for (int g = 0; g < 16; ++g)
        for (int b = 0; b < 16; ++b) {
          const bool redLeads = r > g + 1 && r > b + 1;
          const double grey = 17 * (0.3 * r + 0.59 * g + 0.11 * b);
          const int node[3] = {r, g, b};
          for (int x = 0; x < 3; ++x) {
            char value[32];
            std::snprintf(value, sizeof value, "%.4f", redLeads ? 17.0 * node[x] : grey);
            e.quietSetup.push_back("lut.Table(" + std::to_string(r) + ", " + std::to_string(g) +
                                   ", " + std::to_string(b) + ", " + std::to_string(x) +
                                   ") = " + value);
          }
        }
    e.statement = "Dim done As Boolean = lut.Run";
    e.after = {"result = lut.DestinationPicture", "lut.Close"};
    add(e);
  }
  return list;
}

}  // namespace

const std::vector<DemoEntry>& demoEntries() {
  static const std::vector<DemoEntry> entries = makeEntries();
  return entries;
}

}  // namespace rbdemo
