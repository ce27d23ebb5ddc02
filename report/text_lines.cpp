// The line rules and the file reader behind LeggiCS and the tools' "tmp.txt".
#include "report/text_lines.h"

#include <vector>

#include "os/files.h"
#include "os/os_error.h"

namespace tavisto::report {
namespace {

constexpr char kCtrlZ = 0x1A;
constexpr size_t kChunk = 64 * 1024;

}  // namespace

void LineSplitter::Feed(std::string_view bytes, const LineHandler& onLine) {
  for (const char c : bytes) {
    if (ended_) return;
    if (skipLineFeed_) {
      skipLineFeed_ = false;
      if (c == '\n') continue;
    }
    if (c == kCtrlZ) {
      ended_ = true;
      break;
    }
    if (c == '\r') {
      onLine(line_);
      line_.clear();
      started_ = false;
      skipLineFeed_ = true;
      continue;
    }
    if (line_.size() == kLongestLine) {
      onLine(line_);
      line_.clear();
    }
    line_ += c;
    started_ = true;
  }
}

void LineSplitter::Finish(const LineHandler& onLine) {
  if (started_) onLine(line_);
  line_.clear();
  started_ = false;
}

std::optional<uint32_t> ReadTextLines(const std::string& path, const LineHandler& onLine) {
  auto file = os::File::Open(path, os::Access::Read, os::kShareRead | os::kShareWrite,
                             os::Disposition::OpenExisting);
  if (!file) return file.Error();
  LineSplitter splitter;
  std::vector<char> buffer(kChunk);
  while (!splitter.Ended()) {
    const auto got = file->Read(buffer.data(), buffer.size());
    if (!got) return os::LastErrorCode();  // a line cut off by the failure is not given
    if (*got == 0) break;
    splitter.Feed(std::string_view(buffer.data(), *got), onLine);
  }
  splitter.Finish(onLine);
  return std::nullopt;
}

}  // namespace tavisto::report
