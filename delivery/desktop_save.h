// Writing results into files the user gets: the report text, and a chunked file copy that keeps
// the source's date. Paths are UTF-8, whatever the desktop is called.
#pragma once

#include <string>

#include "os/files.h"
#include "os/progress.h"

namespace tavisto::delivery {

// Writes the memo's text into a file open for writing at path (named in the error), with every
// line ended by CR LF (a text that does not end in a line break gets one). StreamWriteError,
// naming the file, when it cannot be written whole (a full disk); what was written stays for the
// caller to remove.
void WriteMemoText(const std::string& memoText, os::File& file, const std::string& path);

// Copies source in 8192-byte pieces into destination, a file open for writing at path, holding
// the source against other writers; the copy gets the source's last-write time (to two seconds,
// as DOS keeps it). FileOpenError naming the source when it cannot be opened, StreamReadError,
// and StreamWriteError naming path and the cause in words ("the disk that holds E:\ is full")
// when a write fails. What was written stays for the caller to remove. With a progress sink,
// the share copied is reported to it and a stop it asks for ends the copy, raising os::Cancelled.
void CopyFileInto(const std::string& source, os::File& destination, const std::string& path,
                  os::ProgressSink* progress = nullptr);

}  // namespace tavisto::delivery
