// Text files read as lines the way the program has always read them: a line ends at a
// carriage return and a line feed right after it is skipped; a line feed on its own is part
// of the line; a Ctrl-Z ends the text. Bytes come through unchanged.
//   LineSplitter lines;
//   lines.Feed(chunk, [&](std::string line) { out.Add(line); });
//   lines.Finish(...);
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavisto::report {

using LineHandler = std::function<void(const std::string& line)>;

class LineSplitter {
 public:
  // Takes the next piece of the text; complete lines go to the handler.
  void Feed(std::string_view bytes, const LineHandler& onLine);
  // The text has ended: a last line without its carriage return goes to the handler.
  void Finish(const LineHandler& onLine);
  // A Ctrl-Z was met: what follows it is not text.
  [[nodiscard]] bool Ended() const { return ended_; }

 private:
  std::string line_;
  bool started_ = false;     // line_ has begun (it may be empty and still a line)
  bool skipLineFeed_ = false;
  bool ended_ = false;
};

// Reads a whole text file as lines, opening it so that a program still writing it does not
// stop us (readers and writers shared). Returns nothing when all of it was read, else the
// system error code of the open or read that failed; lines read before a failure have already
// gone to the handler.
[[nodiscard]] std::optional<uint32_t> ReadTextLines(const std::string& path, const LineHandler& onLine);

}  // namespace tavisto::report
