// The questions Get Data's archive writers put to the user, in the words and with the buttons
// they have always had: a file that could not be processed is asked about in a message box of
// the program (Abort, Retry or Ignore; Abort or Ignore for a name too long). Without this, a
// writer answers such a file with Abort on its own.
//   delivery::InstallArchiveQuestions(archiver);   // before AddFiles
#pragma once

#include <cstdint>
#include <string>

#include "zip/archiver.h"

namespace tavisto::delivery {

// The user's answer to a file the writer could not process: the error's code and full message.
// A cancelled volume request (45) is Abort without asking.
[[nodiscard]] zip::FailureAction AskAboutFileFailure(int32_t code, const std::string& message);

// Makes the archiver ask the user about every file it cannot process.
void InstallArchiveQuestions(zip::TBaseArchiver& archiver);

}  // namespace tavisto::delivery
