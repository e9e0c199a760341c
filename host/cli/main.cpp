// rbhost: the simulated host as a command.
//   rbhost list [graphics|picture] [--host-version V]
//   rbhost run [--audit] [--display PICTURE.png] FILE
//   rbhost run [--audit] [--display PICTURE.png] -e STATEMENT [-e STATEMENT ...]
//   rbhost demo [--input PICTURE.png] [--out DIR]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "rbhost/host.h"
#ifdef RBHOST_SCRIPT_RUNNER
#include "rbdemo/demo.h"
#include "rbscript/session.h"
#endif

namespace {

int usage() {
  std::cerr << "usage: rbhost list [graphics|picture] [--host-version V]\n"
               "       rbhost run [--audit] [--display PICTURE.png] FILE\n"
               "       rbhost run [--audit] [--display PICTURE.png] -e STATEMENT [-e STATEMENT "
               "...]\n"
               "       rbhost demo [--input PICTURE.png] [--out DIR]\n";
  return 2;
}

int list(const std::vector<std::string>& args) {
  rbhost::HostOptions options;
  std::vector<std::string> which;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--host-version" && i + 1 < args.size()) {
      char* end = nullptr;
      options.version = std::strtod(args[++i].c_str(), &end);
      if (end == nullptr || *end != '\0') return usage();
    } else if (args[i] == "graphics" || args[i] == "picture") {
      which.push_back(args[i]);
    } else {
      return usage();
    }
  }
  if (which.empty()) which = {"graphics", "picture"};
  rbhost::Host host(options);
  for (const std::string& name : which) {
    const std::string path =
        name == "graphics" ? rbhost::graphicsPluginPath() : rbhost::picturePluginPath();
    rbhost::Plugin& plugin = host.load(path);
    std::cout << "# " << name << " plug-in (interface version " << plugin.interfaceVersion << ")\n";
    for (const std::string& message : plugin.loadMessages)
      std::cout << "message box: " << message << "\n";
    for (const std::string& line : plugin.listing()) std::cout << line << "\n";
  }
  return 0;
}

#ifdef RBHOST_SCRIPT_RUNNER
// Each -e is one line of the script.
int run(std::vector<std::string> args) {
  bool audit = false;
  std::string display;
  while (!args.empty() && (args[0] == "--audit" || args[0] == "--display")) {
    if (args[0] == "--audit") {
      audit = true;
      args.erase(args.begin());
    } else {
      if (args.size() < 2) return usage();
      display = args[1];
      args.erase(args.begin(), args.begin() + 2);
    }
  }
  std::string name, source;
  if (args.size() == 1 && args[0] != "-e") {
    name = args[0];
    std::ifstream in(name, std::ios::binary);
    if (!in) {
      std::cerr << "rbhost: cannot read " << name << "\n";
      return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    source = text.str();
  } else {
    name = "-e";
    for (size_t i = 0; i < args.size(); i += 2) {
      if (args[i] != "-e" || i + 1 >= args.size()) return usage();
      source += args[i + 1] + "\n";
    }
    if (args.empty()) return usage();
  }
  return rbscript::runScript(name, source, std::cout, std::cerr, audit, display);
}

int demo(const std::vector<std::string>& args) {
  rbdemo::DemoOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--input" && i + 1 < args.size()) {
      options.input = args[++i];
    } else if (args[i] == "--out" && i + 1 < args.size()) {
      options.outDir = args[++i];
    } else {
      return usage();
    }
  }
  return rbdemo::runDemo(options, std::cout, std::cerr);
}
#else
int run(std::vector<std::string>) {
  std::cerr << "rbhost: this build has no script runner (libffi and libpng were missing)\n";
  return 2;
}
int demo(const std::vector<std::string>& args) { return run(args); }
#endif

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage();
  try {
    if (args[0] == "list") return list({args.begin() + 1, args.end()});
    if (args[0] == "run") return run({args.begin() + 1, args.end()});
    if (args[0] == "demo") return demo({args.begin() + 1, args.end()});
  } catch (const rbhost::HostError& e) {
    std::cerr << "rbhost: " << e.what() << "\n";
    return 2;
  }
  return usage();
}
