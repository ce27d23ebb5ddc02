// Text files read as lines the way the program has always read them: a line ends at a
// carriage return and a line feed right after it is skipped; a line feed on its own is part
// of the line; a Ctrl-Z ends the text. Bytes come through unchanged, a piece at a time, so a
// file of any size is never held whole; a line longer than kLongestLine goes on as the next.
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

// The longest line handed on. A log can be one line of gigabytes (a block of zeros after a
// power loss), more than memory holds, and the memo takes a line only at a cost that grows
// with the square of its length: such a line is handed on in lines of this length.
inline constexpr size_t kLongestLine = 65536;

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
