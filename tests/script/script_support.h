// Running scripts in tests: through the interpreter library with both
// plug-ins and the fixture plug-in loaded, or through the rbhost command.
#ifndef TESTS_SCRIPT_SCRIPT_SUPPORT_H
#define TESTS_SCRIPT_SCRIPT_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "rbscript/session.h"

namespace scripttest {

inline std::filesystem::path binDir() {
  return std::filesystem::path(rbhost::graphicsPluginPath()).parent_path();
}

inline std::string fixturePluginPath() {
  const auto suffix = std::filesystem::path(rbhost::graphicsPluginPath()).extension().string();
  return (binDir() / ("script-fixture" + suffix)).string();
}

inline std::vector<std::string> allPlugins() {
  return {rbhost::graphicsPluginPath(), rbhost::picturePluginPath(), fixturePluginPath()};
}

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "status " << o.status << "\nout:\n" << o.out << "err:\n" << o.err;
}

// Runs `source` to its end and checks the audit, as `rbhost run` does.
inline Outcome run(const std::string& source) {
  std::ostringstream out, err;
  rbscript::Session session(out, err, allPlugins());
  const int status = session.run("t", source);
  const int audit = session.finish();
  return {status != rbscript::kExitOk ? status : audit, out.str(), err.str()};
}

// A folder of its own under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("rbscript-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// In text mode: on Windows a program's text output ends its lines with CR LF.
inline std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace scripttest

#endif
