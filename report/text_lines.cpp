// The line rules and the file reader behind LeggiCS and the tools' "tmp.txt".
#include "report/text_lines.h"

#include <algorithm>
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

TextRead ReadTextLines(const std::string& path, const LineHandler& onLine, uint64_t limit) {
  TextRead read;
  auto file = os::File::Open(path, os::Access::Read, os::kShareRead | os::kShareWrite,
                             os::Disposition::OpenExisting);
  if (!file) {
    read.failure = file.Error();
    return read;
  }
  const auto size = file->Size();
  read.sizeAtOpen = size ? static_cast<uint64_t>(*size) : UINT64_MAX;
  const uint64_t toRead = std::min(read.sizeAtOpen, limit);
  LineSplitter splitter;
  std::vector<char> buffer(kChunk);
  while (!splitter.Ended() && read.taken < toRead) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), toRead - read.taken));
    const auto got = file->Read(buffer.data(), want);
    if (!got) {
      read.failure = os::LastErrorCode();  // a line cut off by the failure is not given
      return read;
    }
    if (*got == 0) break;
    read.taken += *got;
    splitter.Feed(std::string_view(buffer.data(), *got), onLine);
  }
  splitter.Finish(onLine);
  if (!splitter.Ended() && read.taken == toRead) {
    if (toRead < read.sizeAtOpen) {
      read.cut = true;
    } else {
      const auto now = file->Size();
      read.grew = now && static_cast<uint64_t>(*now) > read.sizeAtOpen;
    }
  }
  if (!size) read.sizeAtOpen = read.taken;
  return read;
}

bool LooksLikeText(std::string_view head) {
  head = head.substr(0, head.find(kCtrlZ));
  if (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF") return true;
  // Bytes no text line holds, counted by their place in a pair: UTF-16 without its mark has them
  // in nearly every high byte (Latin, Greek, Cyrillic, ... letters) and in few low ones; other
  // data has them on both sides.
  size_t odd[2] = {0, 0};
  for (size_t i = 0; i < head.size(); ++i) {
    const auto c = static_cast<unsigned char>(head[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r' && c != 0x1B) ++odd[i % 2];
  }
  if ((odd[0] + odd[1]) * 32 <= head.size()) return true;
  const size_t pairs = head.size() / 2;
  return std::max(odd[0], odd[1]) * 10 >= pairs * 9 && std::min(odd[0], odd[1]) * 2 <= pairs;
}

}  // namespace tavisto::report
