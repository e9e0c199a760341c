#include "rbscript/session.h"

#include "rbscript/parser.h"

namespace rbscript {

Session::Session(std::ostream& out, std::ostream& err, std::vector<std::string> pluginPaths)
    : out_(out), err_(err), host_(std::make_unique<rbhost::Host>()) {
  if (pluginPaths.empty())
    pluginPaths = {rbhost::graphicsPluginPath(), rbhost::picturePluginPath()};
  for (const std::string& path : pluginPaths) host_->load(path);
  interpreter_ = std::make_unique<Interpreter>(*host_, out_);
}

Session::~Session() {
  interpreter_.reset();  // its references go before the host does
}

int Session::run(std::string_view sourceName, std::string_view source) {
  try {
    Program program = parse(source);
    interpreter_->run(program);
    return kExitOk;
  } catch (const ScriptError& e) {
    out_.flush();
    const bool assertion = e.kind() == ScriptError::Kind::AssertionFailed;
    err_ << sourceName << ":" << e.pos().line << ":" << e.pos().column << ": "
         << (assertion ? "assertion failed: " : "error: ") << e.what() << "\n";
    return assertion ? kExitAssertFailed : kExitError;
  }
}

std::vector<std::string> auditFindings(const rbhost::Audit& audit) {
  std::vector<std::string> findings;
  if (audit.descriptionLocks != 0)
    findings.push_back(std::to_string(audit.descriptionLocks) +
                       " picture description lock(s) not released");
  if (audit.globalMemoryLocks != 0)
    findings.push_back(std::to_string(audit.globalMemoryLocks) +
                       " global memory lock(s) not released");
  if (audit.liveObjects != 0)
    findings.push_back(std::to_string(audit.liveObjects) + " object(s) still alive, holding " +
                       std::to_string(audit.references) + " reference(s)");
  for (const std::string& v : audit.violations) findings.push_back("misuse: " + v);
  return findings;
}

int Session::finish() {
  interpreter_->clear();
  const std::vector<std::string> findings = auditFindings(host_->audit());
  if (findings.empty()) return kExitOk;
  out_.flush();
  err_ << "rbhost: the host audit is not clean at the end:\n";
  for (const std::string& f : findings) err_ << "  " << f << "\n";
  return kExitAuditNotClean;
}

int runScript(std::string_view sourceName, std::string_view source, std::ostream& out,
              std::ostream& err) {
  Session session(out, err);
  const int status = session.run(sourceName, source);
  const int audit = session.finish();
  return status != kExitOk ? status : audit;
}

}  // namespace rbscript
