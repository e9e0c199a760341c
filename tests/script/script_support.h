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

#ifndef _WIN32
#include <sys/wait.h>
#endif

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

// ---- The rbhost command, as a user runs it.

struct Command {
  int status;
  std::string out, err;
};

inline int exitCode(int raw) {
#ifdef _WIN32
  return raw;
#else
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
}

inline std::string quoted(const std::string& s) {
#ifdef _WIN32
  const char quote = '"';  // no test path or argument holds a double quote
#else
  const char quote = '\'';
#endif
  std::string q(1, quote);
  for (char c : s) {
    if (c == quote) {
      q.append("'\\''");
    } else {
      q.push_back(c);
    }
  }
  q.push_back(quote);
  return q;
}

// Runs rbhost with `args`, its output and errors going to files in `dir`.
inline Command rbhost(const TempDir& dir, const std::vector<std::string>& args) {
  std::string command = quoted((binDir() / "rbhost").string());
  for (const std::string& a : args) command.append(" ").append(quoted(a));
  command.append(" >").append(quoted(dir.file("out.txt")));
  command.append(" 2>").append(quoted(dir.file("err.txt")));
#ifdef _WIN32
  // cmd /c drops the first and the last quote of a line that starts with
  // one; a quote pair around the whole line keeps those of the program name.
  command.insert(0, 1, '"').push_back('"');
#endif
  const int raw = std::system(command.c_str());
  return {exitCode(raw), readText(dir.file("out.txt")), readText(dir.file("err.txt"))};
}

}  // namespace scripttest

#endif
