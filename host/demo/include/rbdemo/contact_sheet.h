// index.html: every demo result with the statements that made it and the
// time the operation took.
#ifndef RBDEMO_CONTACT_SHEET_H
#define RBDEMO_CONTACT_SHEET_H

#include <string>
#include <vector>

namespace rbdemo {

struct SheetItem {
  std::string title;
  std::vector<std::string> code;  // setup, the timed statement, what follows
  size_t statementLine = 0;       // index of the timed statement in `code`
  std::string image;              // file name of the PNG, empty when no picture
  std::string pictureText;        // "Picture(320x240x32)", or why there is none
  std::string output;             // what Print and message boxes wrote
  std::string error;              // the error that stopped the entry
  double milliseconds = -1;       // of the timed statement; < 0 when it did not run
};

struct Sheet {
  std::string inputText;  // what the demo started from
  std::vector<SheetItem> inputs;
  std::vector<SheetItem> results;
  std::vector<std::string> notRegistered;  // titles of entries skipped
};

std::string escapeHtml(const std::string& text);
std::string renderSheet(const Sheet& sheet);

}  // namespace rbdemo

#endif
