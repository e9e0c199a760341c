// The demo's statements, one entry per registered operation it shows. An
// entry is keyed by the declaration of the operation (and its class, for a
// class method; or by a property); the demo runs only the entries whose key
// the plug-ins registered, so it grows as operations are added.
//
// Every entry runs in a scope of its own that already holds:
//   card     Picture       the input (24 bits)
//   other    Picture       a second picture of the same size
//   mask     Picture       an 8-bit grey mask of the same size (255 in the middle)
//   area     TVQ_Rectangle the middle of the picture (when the class is registered)
//   identity, invert  MemoryBlock  256-byte lookup tables
//   scratch  Picture       a fresh copy of card, for operations that work in place
//   grey8    Picture       a fresh 8-bit grey copy of card
//   result   Picture       Nil; the picture the entry shows
#ifndef RBDEMO_DEMO_ENTRIES_H
#define RBDEMO_DEMO_ENTRIES_H

#include <string>
#include <vector>

namespace rbdemo {

struct Registration {
  std::string className;    // class of a class method or property owner; empty otherwise
  std::string declaration;  // a method's declaration, or empty for a property
  std::string property;     // a property's name
};

struct DemoEntry {
  std::string title;
  Registration key;
  std::vector<Registration> alsoNeeds;  // other registrations the setup uses
  std::vector<std::string> setup;
  // Lines too many to show (a table filled entry by entry, a strip drawn
  // pixel by pixel): run after `setup`, and after `after`, respectively; the
  // shown code says what they do in a comment.
  std::vector<std::string> quietSetup;
  std::string statement;  // the timed line
  std::vector<std::string> after;
  std::vector<std::string> quietAfter;
};

const std::vector<DemoEntry>& demoEntries();

}  // namespace rbdemo

#endif
