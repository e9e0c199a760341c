// One run of the runner: a host with the plug-ins loaded, an interpreter,
// and the exit status the command reports.
//   0  the script ran to its end and the host audit is clean
//   1  an Assert failed
//   2  an error: syntax, unknown name, wrong types, unreadable file
//   3  the script ended but the host still holds locks, objects or misuse
#ifndef RBSCRIPT_SESSION_H
#define RBSCRIPT_SESSION_H

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "rbhost/host.h"
#include "rbscript/interpreter.h"

namespace rbscript {

enum ExitStatus : int {
  kExitOk = 0,
  kExitAssertFailed = 1,
  kExitError = 2,
  kExitAuditNotClean = 3,
};

class Session {
 public:
  // Loads the plug-ins at `pluginPaths` (both built plug-ins by default).
  // Throws rbhost::HostError when one cannot be loaded.
  Session(std::ostream& out, std::ostream& err, std::vector<std::string> pluginPaths = {});
  ~Session();

  rbhost::Host& host() { return *host_; }
  Interpreter& interpreter() { return *interpreter_; }

  // Parses all of `source`, then runs it. Reports the first error on `err`
  // as "NAME:LINE:COLUMN: error: ..." and returns kExitOk, kExitAssertFailed
  // or kExitError.
  int run(std::string_view sourceName, std::string_view source);

  // Drops every variable and checks the host audit: kExitOk, or
  // kExitAuditNotClean with what is left reported on `err`.
  int finish();

 private:
  std::ostream& out_;
  std::ostream& err_;
  std::unique_ptr<rbhost::Host> host_;
  std::unique_ptr<Interpreter> interpreter_;
};

// Everything left in the host, one finding a line; empty when clean.
std::vector<std::string> auditFindings(const rbhost::Audit& audit);

// Runs `source` in a fresh session and finishes it: the status of the
// command (an unclean audit turns a clean run into kExitAuditNotClean).
int runScript(std::string_view sourceName, std::string_view source, std::ostream& out,
              std::ostream& err);

}  // namespace rbscript

#endif
