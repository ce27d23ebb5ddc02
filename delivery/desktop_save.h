// Putting results on the user's desktop: the report text as a file, and a chunked file copy
// that keeps the source's date. Paths are UTF-8, whatever the desktop is called.
#pragma once

#include <string>

#include "os/files.h"
#include "os/progress.h"

namespace tavisto::delivery {

// Writes the memo's text to path, creating or replacing the file, with every line ended by
// CR LF (a text that does not end in a line break gets one). Raises FileCreateError when the
// file cannot be created, and StreamWriteError, naming the file, when it cannot be written
// whole (a full disk): what was written is removed first.
void SaveMemoText(const std::string& memoText, const std::string& path);
// The same into a file open for writing at path (named in the error); what was written stays
// for the caller to remove.
void WriteMemoText(const std::string& memoText, os::File& file, const std::string& path);

// Copies source to destination in 8192-byte pieces, holding the source against other writers
// and the destination exclusively. A destination that names an existing folder receives the
// copy inside it under the source's name; missing folders of the destination are created; a
// read-only destination is not replaced. The copy gets the source's last-write time (to two
// seconds, as DOS keeps it). Raises FileOpenError, FileCreateError, StreamReadError or
// StreamWriteError; a copy that fails part-way removes the partial destination it made. With
// a progress sink, the share copied is reported to it and a stop it asks for ends the copy
// the same way, raising os::Cancelled.
void CopyFileChunked(const std::string& source, const std::string& destination,
                     os::ProgressSink* progress = nullptr);
// The same copy into a file open for writing (source's date included); what was written stays
// for the caller to remove when it raises.
void CopyFileInto(const std::string& source, os::File& destination, os::ProgressSink* progress = nullptr);

// Creates every missing folder of path, from the outermost down.
void ForceDirectories(const std::string& path);

}  // namespace tavisto::delivery
