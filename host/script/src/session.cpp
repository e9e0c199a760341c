#include "rbscript/session.h"

#include <algorithm>
#include <exception>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <pthread.h>
#endif

#include "display.h"
#include "rbscript/parser.h"
#include "rbscript/png_io.h"

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

namespace {

struct StackWork {
  const std::function<void(uintptr_t)>* work;
  size_t bytes;
  std::exception_ptr failure;
};

#if defined(__SANITIZE_ADDRESS__)
#define RBSCRIPT_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RBSCRIPT_ADDRESS_SANITIZER 1
#endif
#endif

void runStackWork(StackWork& w) {
  // What a call into a plug-in, libffi and an error's unwinding may still
  // need below the last checked frame.
  constexpr size_t kReserve = size_t{8} << 20;
  size_t usable = w.bytes > 2 * kReserve ? w.bytes - kReserve : w.bytes / 2;
#ifdef RBSCRIPT_ADDRESS_SANITIZER
  // AddressSanitizer does not clean up after an exception thrown from more
  // than 64 MB of stack (and then reports errors that are none); under load
  // 48 MB was seen to fail too, so keep well clear of it.
  usable = std::min(usable, size_t{24} << 20);
#endif
  const uintptr_t here = stackAddressHere();
  try {
    (*w.work)(here > usable ? here - usable : 1);
  } catch (...) {
    w.failure = std::current_exception();
  }
}

#ifdef _WIN32
DWORD WINAPI stackThread(LPVOID arg) {
  runStackWork(*static_cast<StackWork*>(arg));
  return 0;
}
#else
void* stackThread(void* arg) {
  runStackWork(*static_cast<StackWork*>(arg));
  return nullptr;
}
#endif

}  // namespace

void runOnLargeStack(size_t bytes, const std::function<void(uintptr_t)>& work) {
  StackWork w{&work, bytes, nullptr};
  bool started = false;
#ifdef _WIN32
  HANDLE thread =
      CreateThread(nullptr, bytes, stackThread, &w, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread != nullptr) {
    started = true;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
#else
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) == 0) {
    pthread_t thread;
    if (pthread_attr_setstacksize(&attr, bytes) == 0 &&
        pthread_create(&thread, &attr, stackThread, &w) == 0) {
      started = true;
      pthread_join(thread, nullptr);
    }
    pthread_attr_destroy(&attr);
  }
#endif
  if (!started) {
    // No thread to be had: run here, checking no stack (the depth limits of
    // the parser and of calls still hold).
    try {
      work(0);
    } catch (...) {
      w.failure = std::current_exception();
    }
  }
  if (w.failure) std::rethrow_exception(w.failure);
}

int Session::run(std::string_view sourceName, std::string_view source, bool audit) {
  int status = kExitOk;
  runOnLargeStack(kStackBytes, [&](uintptr_t stackLimit) {
    interpreter_->setStackLimit(stackLimit);
    interpreter_->setAuditStream(audit ? &err_ : nullptr, std::string(sourceName));
    try {
      Program program = parse(source);
      interpreter_->run(program);
      // The program's syntax tree goes here, on the large stack.
    } catch (const ScriptError& e) {
      out_.flush();
      const bool assertion = e.kind() == ScriptError::Kind::AssertionFailed;
      err_ << sourceName << ":" << e.pos().line << ":" << e.pos().column << ": "
           << (assertion ? "assertion failed: " : "error: ") << e.what() << "\n";
      // Each call it came out of, at most the innermost ten and the outermost.
      const auto& callers = e.callers();
      for (size_t i = 0; i < callers.size(); ++i) {
        if (i == 10 && callers.size() > 11) {
          err_ << sourceName << ": note: ... " << callers.size() - 11 << " more calls\n";
          i = callers.size() - 1;
        }
        err_ << sourceName << ":" << callers[i].pos.line << ":" << callers[i].pos.column
             << ": note: " << callers[i].method << " called from here\n";
      }
      status = assertion ? kExitAssertFailed : kExitError;
    } catch (const std::exception& e) {  // out of memory while parsing, say
      out_.flush();
      err_ << sourceName << ": error: " << e.what() << "\n";
      status = kExitError;
    }
    interpreter_->forgetMethods();  // their syntax trees go here too
    interpreter_->setStackLimit(0);
    interpreter_->setAuditStream(nullptr, "");
  });
  return status;
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
              std::ostream& err, bool audit, const std::string& displayPng) {
  Session session(out, err);
  if (!displayPng.empty()) {
    rbhost::Host& host = session.host();
    std::string problem;
    try {
      RbPicture shown = loadPng(host, displayPng, 32);
      if (!showOnDisplay(host, shown, 32)) problem = displayRefusal(32);
      host.release(shown);
    } catch (const std::exception& e) {
      problem = e.what();
    }
    if (!problem.empty()) {
      err << "rbhost: --display " << displayPng << ": " << problem << "\n";
      return kExitError;
    }
  }
  const int status = session.run(sourceName, source, audit);
  const int finished = session.finish();
  return status != kExitOk ? status : finished;
}

}  // namespace rbscript
