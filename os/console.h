// Lines for whoever started the program from a console or a script: a GUI program has no
// console of its own, so it writes to its standard output when that was redirected (a file or a
// pipe), else to the console of the process that started it, attached to. With neither, lines
// go nowhere, and nothing fails.
//   os::Console console;                       // once, when the program starts
//   console.WriteLine("Get Data: 3 products");
#pragma once

#include <cstdint>
#include <string_view>

#include "os/handle.h"

namespace tavisto::os {

class Console {
 public:
  // Finds where lines go, attaching to the parent's console when the output is not redirected.
  Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;
  ~Console();

  // Writes one line (UTF-8, without its line break) and its line break: to a console as its
  // characters (any of them shows as itself), to a file or pipe as UTF-8 bytes and CR LF.
  // Whatever the output does with it (gone, full, closed), the caller is not troubled.
  void WriteLine(std::string_view line);
  // The same on the standard error output, for what went wrong.
  void WriteErrorLine(std::string_view line);

  // True when lines go somewhere: a console or a redirected output.
  [[nodiscard]] bool Shown() const noexcept;

 private:
  struct Output {
    intptr_t handle = 0;  // the system handle; 0 for nowhere
    bool isConsole = false;
  };
  struct OwnedTraits {  // the console's output, when it had to be opened by name
    using Type = intptr_t;
    static constexpr Type Invalid() noexcept { return -1; }
    static void Close(Type handle) noexcept;
  };

  static void Write(const Output& output, std::string_view line);

  Output out_;
  Output error_;
  ScopedHandle<OwnedTraits> openedOutput_;
};

// Ctrl+C, Ctrl+Break, closing the console window, logging off or shutting down, turned from the
// end of the process into a stop the work asks about: it ends at its next check and removes what
// it wrote. For a closing console the system waits a few seconds only, and only while the
// handler has not returned: the handler waits for Finished (or that time) before it lets the
// process go. One at a time in a process.
//   os::ConsoleStop stop;
//   ... if (stop.Requested()) throw os::Cancelled(); ...
//   stop.Finished();   // what was to be removed is gone
class ConsoleStop {
 public:
  ConsoleStop();
  ConsoleStop(const ConsoleStop&) = delete;
  ConsoleStop& operator=(const ConsoleStop&) = delete;
  ~ConsoleStop();

  [[nodiscard]] bool Requested() const noexcept;
  // The work has ended and cleaned up: a console that is closing may end the process now.
  void Finished() noexcept;
};

}  // namespace tavisto::os
