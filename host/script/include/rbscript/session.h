// One run of the runner: a host with the plug-ins loaded, an interpreter,
// and the exit status the command reports.
//   0  the script ran to its end and the host audit is clean
//   1  an Assert failed
//   2  an error: syntax, unknown name, wrong types, unreadable file
//   3  the script ended but the host still holds locks, objects or misuse
#ifndef RBSCRIPT_SESSION_H
#define RBSCRIPT_SESSION_H

#include <cstdint>
#include <functional>
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

  // Parses all of `source`, then runs it, on a thread of its own with a
  // large stack (see kStackBytes). Reports the first error on `err` as
  // "NAME:LINE:COLUMN: error: ...", followed by one "NAME:LINE:COLUMN: note:
  // called from here" line for each call of a Sub or Function it came out
  // of, and returns kExitOk, kExitAssertFailed or kExitError. With `audit`,
  // reports on `err` what the host holds after each statement that changes it.
  int run(std::string_view sourceName, std::string_view source, bool audit = false);

  // The stack the script runs on; a script that would use more stops with
  // an error.
  static constexpr size_t kStackBytes = size_t{256} << 20;

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
// `displayPng`, when not empty, is shown on the display before the script
// starts (32 bits deep); one that cannot be read or shown is an error.
int runScript(std::string_view sourceName, std::string_view source, std::ostream& out,
              std::ostream& err, bool audit = false, const std::string& displayPng = "");

// Runs `work` on a new thread whose stack holds `bytes`, and waits for it;
// `work` receives the lowest address it may safely use. What it throws is
// thrown here.
void runOnLargeStack(size_t bytes, const std::function<void(uintptr_t)>& work);

}  // namespace rbscript

#endif
