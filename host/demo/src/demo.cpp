#include "rbdemo/demo.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "rbdemo/contact_sheet.h"
#include "rbdemo/demo_entries.h"
#include "rbdemo/test_card.h"
#include "rbscript/format.h"
#include "rbscript/parser.h"
#include "rbscript/picture_pixels.h"
#include "rbscript/png_io.h"
#include "rbscript/session.h"

namespace rbdemo {
namespace {

using rbscript::HostRef;
using rbscript::Kind;
using rbscript::TypeSpec;
using rbscript::Value;

const TypeSpec kPicture{Kind::Picture, ""};

Value newPicture(rbhost::Host& host, int32_t w, int32_t h, int32_t depth,
                 const std::vector<rbhost::Rgb>& pixels) {
  RbPicture p = host.newPicture(w, h, depth);
  Value v = Value::ofObject(host, HostRef::adopt(host, toObject(p)), kPicture);
  rbscript::writeVisualPixels(host, p, pixels);
  return v;
}

Value lookupTable(rbhost::Host& host, bool inverted) {
  RbMemoryBlock b = host.newMemoryBlock(256);
  Value v = Value::ofObject(host, HostRef::adopt(host, toObject(b)), {Kind::MemoryBlock, ""});
  for (int i = 0; i < 256; ++i)
    host.memoryBlockBytes(b)[i] = static_cast<uint8_t>(inverted ? 255 - i : i);
  return v;
}

bool registered(const rbscript::Catalog& catalog, const Registration& r) {
  if (!r.property.empty()) return catalog.property(r.className, r.property) != nullptr;
  return catalog.isRegistered(r.className, r.declaration);
}

void runLine(rbscript::Interpreter& in, const std::string& line) {
  rbscript::Program p = rbscript::parse(line);
  in.run(p);
}

std::string slug(const std::string& title) {
  std::string s;
  for (char c : title) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else if (!s.empty() && s.back() != '-') {
      s += '-';
    }
  }
  while (!s.empty() && s.back() == '-') s.pop_back();
  return s;
}

class Demo {
 public:
  Demo(const DemoOptions& options, std::ostream& err, rbscript::Session& session,
       std::ostringstream& captured)
      : options_(options), err_(err), session_(session), captured_(captured) {}

  int run();

 private:
  // Saves a picture variable's value; fills the item's image and text.
  void savePicture(const Value& v, const std::string& name, SheetItem& item);
  SheetItem runEntry(const DemoEntry& e, size_t number);

  const DemoOptions& options_;
  std::ostream& err_;
  rbscript::Session& session_;
  std::ostringstream& captured_;
  Value card_;
  int errors_ = 0;
};

void Demo::savePicture(const Value& v, const std::string& name, SheetItem& item) {
  rbhost::Host& host = session_.host();
  item.pictureText = rbscript::formatValue(host, v);
  if (v.kind != Kind::Picture) return;
  const std::string file = name + ".png";
  rbscript::savePng(host, reinterpret_cast<RbPicture>(v.handle()),
                    (std::filesystem::path(options_.outDir) / file).string());
  item.image = file;
}

SheetItem Demo::runEntry(const DemoEntry& e, size_t number) {
  rbhost::Host& host = session_.host();
  rbscript::Interpreter& in = session_.interpreter();
  SheetItem item;
  item.title = e.title;
  item.code = e.setup;
  item.statementLine = item.code.size();
  item.code.push_back(e.statement);
  item.code.insert(item.code.end(), e.after.begin(), e.after.end());

  in.beginScope();
  std::string failedLine;
  try {
    const auto w = host.width(reinterpret_cast<RbPicture>(card_.handle()));
    const auto h = host.height(reinterpret_cast<RbPicture>(card_.handle()));
    const auto pixels =
        rbscript::readVisualPixels(host, reinterpret_cast<RbPicture>(card_.handle()));
    in.define("scratch", kPicture, newPicture(host, w, h, 24, pixels));
    in.define("grey8", kPicture, newPicture(host, w, h, 8, pixels));
    in.define("result", kPicture, Value::nil(kPicture));
    for (const auto* lines : {&e.setup, &e.quietSetup})
      for (const std::string& line : *lines) {
        failedLine = line;
        runLine(in, line);
      }
    failedLine = e.statement;
    rbscript::Program statement = rbscript::parse(e.statement);
    const auto start = std::chrono::steady_clock::now();
    in.run(statement);
    item.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (const auto* lines : {&e.after, &e.quietAfter})
      for (const std::string& line : *lines) {
        failedLine = line;
        runLine(in, line);
      }
    failedLine.clear();
    const rbscript::Variable* result = in.find("result");
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02zu-", number);
    if (result->value.kind == Kind::Picture) {
      savePicture(result->value, prefix + slug(e.title), item);
    } else if (e.statement.rfind("result = ", 0) == 0) {
      item.pictureText = "the result is Nil";
      if (e.key.declaration.rfind("TVQ_", 0) == 0 &&
          in.catalog().isRegistered("", "TVQ_GetErrorMessage(error_code as integer) as String"))
        runLine(in, "Print TVQ_GetErrorMessage(TVQ_GetLastError())");
    } else {
      item.pictureText = "no picture: the result is printed below";
    }
  } catch (const rbscript::ScriptError& x) {
    item.error = (failedLine.empty() ? std::string() : failedLine + "\n") + "error: " + x.what();
  } catch (const std::exception& x) {
    item.error = std::string("error: ") + x.what();
  }
  in.endScope();
  item.output = captured_.str();
  captured_.str("");
  if (!item.error.empty()) {
    ++errors_;
    err_ << "demo: " << e.title << ": " << item.error << "\n";
  }
  return item;
}

int Demo::run() {
  rbhost::Host& host = session_.host();
  rbscript::Interpreter& in = session_.interpreter();
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(options_.outDir, ec);
  if (ec) {
    err_ << "demo: cannot make " << options_.outDir << ": " << ec.message() << "\n";
    return rbscript::kExitError;
  }

  Sheet sheet;
  if (options_.input.empty()) {
    card_ = newPicture(host, kCardWidth, kCardHeight, 24, testCardPixels(kCardWidth, kCardHeight));
    sheet.inputText = "Started from the built-in test card.";
  } else {
    try {
      card_ = Value::ofObject(
          host, HostRef::adopt(host, toObject(rbscript::loadPng(host, options_.input, 24))),
          kPicture);
    } catch (const std::runtime_error& e) {
      err_ << "demo: " << e.what() << "\n";
      return rbscript::kExitError;
    }
    sheet.inputText = "Started from " + options_.input + ".";
  }
  auto cardPicture = reinterpret_cast<RbPicture>(card_.handle());
  const int32_t w = host.width(cardPicture), h = host.height(cardPicture);
  in.define("card", kPicture, card_);
  in.define("other", kPicture, newPicture(host, w, h, 24, overlayPixels(w, h)));
  in.define("mask", kPicture, newPicture(host, w, h, 8, roundMaskPixels(w, h)));
  in.define("identity", {Kind::MemoryBlock, ""}, lookupTable(host, false));
  in.define("invert", {Kind::MemoryBlock, ""}, lookupTable(host, true));
  std::vector<std::string> prelude;
  if (in.catalog().findClass("TVQ_Rectangle") != nullptr) {
    prelude = {"Dim area As New TVQ_Rectangle", "area.left = " + std::to_string(w / 8),
               "area.top = " + std::to_string(h / 8), "area.width = " + std::to_string(w - w / 4),
               "area.height = " + std::to_string(h - h / 4)};
    for (const std::string& line : prelude) {
      try {
        runLine(in, line);
      } catch (const rbscript::ScriptError& e) {
        err_ << "demo: " << line << ": " << e.what() << "\n";
        return rbscript::kExitError;
      }
    }
  }

  try {
    for (const char* name : {"card", "other", "mask"}) {
      SheetItem item;
      item.title = name;
      if (std::string(name) == "card") item.code = prelude;
      item.statementLine = SIZE_MAX;
      savePicture(in.find(name)->value, std::string("00-") + name, item);
      sheet.inputs.push_back(std::move(item));
    }
    size_t number = 1;
    for (const DemoEntry& e : demoEntries()) {
      bool ready = registered(in.catalog(), e.key);
      for (const Registration& r : e.alsoNeeds) ready = ready && registered(in.catalog(), r);
      if (!ready) {
        sheet.notRegistered.push_back(e.title);
        continue;
      }
      sheet.results.push_back(runEntry(e, number++));
    }
  } catch (const std::runtime_error& e) {
    err_ << "demo: " << e.what() << "\n";
    return rbscript::kExitError;
  }

  const fs::path index = fs::path(options_.outDir) / "index.html";
  std::ofstream html(index, std::ios::binary);
  html << renderSheet(sheet);
  html.close();
  if (!html) {
    err_ << "demo: cannot write " << index.string() << "\n";
    return rbscript::kExitError;
  }
  return errors_ > 0 ? rbscript::kExitError : rbscript::kExitOk;
}

}  // namespace

int runDemo(const DemoOptions& options, std::ostream& out, std::ostream& err) {
  std::ostringstream captured;
  std::unique_ptr<rbscript::Session> session;
  try {
    session = std::make_unique<rbscript::Session>(captured, err);
  } catch (const rbhost::HostError& e) {
    err << "demo: " << e.what() << "\n";
    return rbscript::kExitError;
  }
  int status;
  {
    Demo demo(options, err, *session, captured);  // holds the card until it goes
    status = demo.run();
  }
  const int audit = session->finish();
  out << "demo: wrote " << (std::filesystem::path(options.outDir) / "index.html").string() << "\n";
  return status != rbscript::kExitOk ? status : audit;
}

}  // namespace rbdemo
