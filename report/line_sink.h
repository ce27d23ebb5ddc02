// Where report lines go: the main window's memo in the program, a recording list in tests.
//   void WriteHeading(LineSink& out) { out.Add("----"); }
#pragma once

#include <string>
#include <vector>

#include "os/text_encoding.h"

namespace tavisto::report {

class LineSink {
 public:
  virtual ~LineSink() = default;
  // Appends one line at the end (the line holds no line break of its own).
  virtual void Add(const std::string& line) = 0;
  // A few words on how far the sink has come with the lines it was given, for the progress
  // display ("" for nothing to say): the memo says how much of the report it shows.
  [[nodiscard]] virtual std::string Status() const { return {}; }
  // Puts what the sink gathered where it goes: the report calls it before it waits for an
  // outside program, so that what was written is there whatever the wait ends in.
  virtual void Flush() {}
};

// A sink that keeps the lines in a list: the report's private lists and the tests.
class LineList : public LineSink {
 public:
  void Add(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};

// Hands lines built from UTF-8 names and paths on in the ANSI code page, the report's own.
class CodePageLines : public LineSink {
 public:
  explicit CodePageLines(LineSink& out) : out_(out) {}
  void Add(const std::string& line) override { out_.Add(os::Utf8ToAnsi(line).Bytes()); }

 private:
  LineSink& out_;
};

}  // namespace tavisto::report
