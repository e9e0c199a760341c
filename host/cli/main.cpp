// rbhost: the simulated host as a command.
//   rbhost list [graphics|picture] [--host-version V]
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "rbhost/host.h"

namespace {

int usage() {
  std::cerr << "usage: rbhost list [graphics|picture] [--host-version V]\n";
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

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage();
  try {
    if (args[0] == "list") return list({args.begin() + 1, args.end()});
  } catch (const rbhost::HostError& e) {
    std::cerr << "rbhost: " << e.what() << "\n";
    return 2;
  }
  return usage();
}
