// Where a script went wrong, and how: every error the runner reports names a
// line and a column of the source.
#ifndef RBSCRIPT_SCRIPT_ERROR_H
#define RBSCRIPT_SCRIPT_ERROR_H

#include <stdexcept>
#include <string>
#include <vector>

namespace rbscript {

// 1-based line and column; column counts bytes.
struct SourcePos {
  int line = 0;
  int column = 0;
};

class ScriptError : public std::runtime_error {
 public:
  enum class Kind {
    Error,           // syntax, unknown name, wrong types, unreadable file: status 2
    AssertionFailed  // a false Assert: status 1
  };
  ScriptError(SourcePos pos, std::string message, Kind kind = Kind::Error)
      : std::runtime_error(message), pos_(pos), kind_(kind) {}
  SourcePos pos() const { return pos_; }
  Kind kind() const { return kind_; }

  // The calls the error came out of, innermost first: where each was made
  // and the Sub or Function it called.
  struct Caller {
    SourcePos pos;
    std::string method;
  };
  const std::vector<Caller>& callers() const { return callers_; }
  void addCaller(SourcePos pos, std::string method) {
    callers_.push_back({pos, std::move(method)});
  }

 private:
  SourcePos pos_;
  Kind kind_;
  std::vector<Caller> callers_;
};

}  // namespace rbscript

#endif
