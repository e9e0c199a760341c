#include "rbdemo/contact_sheet.h"

#include <cstdio>

namespace rbdemo {

std::string escapeHtml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

std::string renderItem(const SheetItem& item) {
  std::string h = "<figure>\n";
  if (!item.image.empty()) {
    h += "  <a href=\"" + escapeHtml(item.image) + "\"><img src=\"" + escapeHtml(item.image) +
         "\" alt=\"" + escapeHtml(item.title) + "\"></a>\n";
  } else {
    h += "  <div class=\"none\">" +
         escapeHtml(item.pictureText.empty() ? "no picture" : item.pictureText) + "</div>\n";
  }
  h += "  <figcaption><b>" + escapeHtml(item.title) + "</b>";
  if (!item.image.empty()) h += " <span class=\"meta\">" + escapeHtml(item.pictureText) + "</span>";
  if (item.milliseconds >= 0) {
    char t[32];
    std::snprintf(t, sizeof t, "%.2f ms", item.milliseconds);
    h += " <span class=\"time\">" + std::string(t) + "</span>";
  }
  h += "\n";
  if (!item.code.empty()) {
    h += "  <pre class=\"code\">";
    for (size_t i = 0; i < item.code.size(); ++i) {
      const std::string line = escapeHtml(item.code[i]);
      h += i == item.statementLine ? "<mark>" + line + "</mark>" : line;
      h += "\n";
    }
    h += "</pre>\n";
  }
  if (!item.output.empty()) h += "  <pre class=\"out\">" + escapeHtml(item.output) + "</pre>\n";
  if (!item.error.empty()) h += "  <pre class=\"error\">" + escapeHtml(item.error) + "</pre>\n";
  h += "  </figcaption>\n</figure>\n";
  return h;
}

}  // namespace

std::string renderSheet(const Sheet& sheet) {
  std::string h =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>rbhost demo</title>\n<style>\n"
      "body { font-family: sans-serif; margin: 1.5em; background: #f4f4f4; color: #222; }\n"
      ".grid { display: flex; flex-wrap: wrap; gap: 1em; }\n"
      "figure { margin: 0; padding: .6em; background: #fff; border: 1px solid #ccc; width: 340px; "
      "}\n"
      "img { max-width: 320px; image-rendering: pixelated; display: block;\n"
      "  background: repeating-conic-gradient(#ccc 0% 25%, #fff 0% 50%) 0 0 / 16px 16px; }\n"
      ".none { width: 320px; padding: 1em 0; text-align: center; color: #777; background: #eee; }\n"
      "pre { white-space: pre-wrap; font-size: 11px; margin: .4em 0 0; }\n"
      "pre.code mark { background: #ffe9a8; }\n"
      "pre.error { color: #b00; }\n"
      ".time, .meta { color: #666; font-size: 12px; }\n"
      "</style>\n</head>\n<body>\n<h1>rbhost demo</h1>\n<p>" +
      escapeHtml(sheet.inputText) +
      " Each result shows the statements that made it; the highlighted one is the call that "
      "was timed. Transparent areas (a picture's mask) show as a checkerboard.</p>\n"
      "<h2>Inputs</h2>\n<div class=\"grid\">\n";
  for (const SheetItem& item : sheet.inputs) h += renderItem(item);
  h += "</div>\n<h2>Results</h2>\n<div class=\"grid\">\n";
  for (const SheetItem& item : sheet.results) h += renderItem(item);
  h += "</div>\n";
  if (!sheet.notRegistered.empty()) {
    h +=
        "<h2>Not registered yet</h2>\n<p>These demo entries wait for their operations:</p>\n<ul>\n";
    for (const std::string& t : sheet.notRegistered) h += "<li>" + escapeHtml(t) + "</li>\n";
    h += "</ul>\n";
  }
  h += "</body>\n</html>\n";
  return h;
}

}  // namespace rbdemo
