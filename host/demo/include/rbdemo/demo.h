// `rbhost demo`: applies the registered operations of both plug-ins to a
// test card (or a given PNG) through the script interpreter, and writes each
// result as a PNG beside an index.html contact sheet.
#ifndef RBDEMO_DEMO_H
#define RBDEMO_DEMO_H

#include <ostream>
#include <string>

namespace rbdemo {

struct DemoOptions {
  std::string input;  // a PNG to start from; the test card when empty
  std::string outDir = "rbhost-demo";
};

// 0 when every entry ran and the host audit is clean; 2 when an entry failed
// with an error or the output cannot be written; 3 when the audit is not
// clean at the end.
int runDemo(const DemoOptions& options, std::ostream& out, std::ostream& err);

}  // namespace rbdemo

#endif
