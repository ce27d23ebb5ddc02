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

// How the read of a text file ended.
struct TextRead {
  std::optional<uint32_t> failure;  // the system error code of the open or read that failed
  uint64_t sizeAtOpen = 0;          // the file's size when it was opened
  uint64_t taken = 0;               // the bytes read (a Ctrl-Z may have ended the text sooner)
  // The file had grown by the time all it held at the open was read: what came later is not read.
  bool grew = false;
  // The limit ended the read before the end of what the file held.
  bool cut = false;
};

// Reads a text file as lines as it stood when it was opened, at most limit bytes of it: a file
// another program keeps writing (a product's log) is read to the size it had then, not for as
// long as it grows. It is opened so that such a program does not stop us (readers and writers
// shared). Lines read before a failure have already gone to the handler.
[[nodiscard]] TextRead ReadTextLines(const std::string& path, const LineHandler& onLine,
                                     uint64_t limit = UINT64_MAX);

// Whether the start of a file reads as text: few control characters or NULs, or UTF-16 (with its
// byte-order mark, or with one byte of each pair a NUL or a control character). What follows a
// Ctrl-Z is not looked at, as the line reader stops there.
[[nodiscard]] bool LooksLikeText(std::string_view head);

}  // namespace tavisto::report
