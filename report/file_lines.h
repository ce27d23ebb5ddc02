// The report written into a file, with the text the window's memo would hold: a NUL in a line as
// a space, each line followed by CR LF. Lines are gathered into large blocks, so that a report
// of hundreds of megabytes goes at the disk's pace whatever its lines' sizes.
//   FileLines lines(out.File(), path);   // a file open for writing
//   BuildAnalysisReport(inputs, lines, progress);
//   lines.Flush();                       // the last block: nothing is written on destruction
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "os/files.h"
#include "report/line_sink.h"

namespace tavisto::report {

class FileLines : public LineSink {
 public:
  // Writes at file's current position; path names the file in errors.
  FileLines(os::File& file, std::string path);
  FileLines(const FileLines&) = delete;
  FileLines& operator=(const FileLines&) = delete;

  // StreamWriteError naming the file and the cause (the disk is full, ...) when a block cannot
  // be written whole; from then on every call raises it again and nothing more is written.
  void Add(const std::string& line) override;
  // "12.3 MB written": what is in the file so far.
  [[nodiscard]] std::string Status() const override;
  // Writes what is gathered (it does not ask the system to put it on the disk).
  void Flush() override;

  // Bytes in the file so far, and bytes taken (in the file or still gathered).
  [[nodiscard]] uint64_t Written() const noexcept { return written_; }
  [[nodiscard]] uint64_t Taken() const noexcept { return written_ + used_; }

 private:
  void Put(const char* bytes, size_t count);
  void WriteBlock();

  os::File& file_;
  std::string path_;
  std::unique_ptr<char[]> block_;
  size_t used_ = 0;
  uint64_t written_ = 0;
  std::string failure_;  // the cause, once a write failed
};

}  // namespace tavisto::report
