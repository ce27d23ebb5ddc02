// The component's message table and the layout of its error messages.
#include "zip/archive_error.h"

#include <array>
#include <cstdio>
#include <utility>

namespace tavisto::zip {
namespace {

constexpr std::array<std::string_view, 38> kMessages = {
    "Unknown error",
    "Index out of bounds",
    "Invalid compression mode. Mode must be in [0-9] range",
    "Unexpected nil pointer",
    "Invalid size or check sum of file or unsupported compression format",
    "File name is blank. Specify appropriate file name",
    "File \"%s\" not found",
    "Archive is not open",
    "SFXStub property is not specified",
    "Cannot create file \"%s\"",
    "Cannot create directory \"%s\"",
    "Internal error. Update is not started",
    "Cannot open file \"%s\"",
    "Cannot proceed when update is not ended. Preceding EndUpdate call is required.",
    "Cannot delete file \"%s\"",
    "In-memory archive can be created only",
    "File is open in read-only mode",
    "Invalid compressed size, rfs.size = %d, count = %d",
    "Invalid archive file.",
    "Cannot create output file. Probably file is locked by another process. FileName = '%s'.",
    "Archive is open. You should close it beore performing this operation.",
    "Unable to create directory",
    "Cannot find Zip64 directory end record",
    "Cannot compress file '%s'. Zip64 mode is not enabled",
    "Cannot open archive file. Opening aborted or invalid file",
    "Write to stream error",
    "Cannot place SFX stub on volume. Volume size limit is too small",
    "Archive is damaged. Open failed",
    "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation "
    "instead of MakeSFX",
    "Archive already has SFX stub",
    "Multi-volume archive is not allowed for custom stream",
    "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to "
    "add files several times",
    "Deflate64 compression method is not supported",
    "MakeSFX error",
    "Hashed list of file names is invalid",
    "Cannot delete folder \"%s\"",
    "File name is too long: \r\n\"%s\"",
    "Multiple transactions are not supported for multi-volume archives",
};

// (code, message number) for every code 0 to 62, in code order.
constexpr std::array<std::pair<int32_t, int32_t>, 63> kCodes = {{
    {0, 0},   {1, 1},   {2, 1},   {3, 1},   {4, 1},   {5, 2},   {6, 3},   {7, 1},   {8, 4},
    {9, 5},   {10, 5},  {11, 6},  {12, 6},  {13, 7},  {14, 7},  {15, 6},  {16, 1},  {17, 8},
    {18, 6},  {19, 9},  {20, 10}, {21, 1},  {22, 11}, {23, 9},  {24, 1},  {25, 11}, {26, 13},
    {27, 14}, {28, 15}, {29, 5},  {30, 6},  {31, 6},  {32, 16}, {33, 12}, {34, 17}, {35, 18},
    {36, 19}, {37, 20}, {38, 6},  {39, 21}, {40, 22}, {41, 23}, {42, 6},  {43, 23}, {44, 24},
    {45, 24}, {46, 25}, {47, 26}, {48, 27}, {49, 28}, {50, 29}, {51, 30}, {52, 31}, {53, 6},
    {54, 6},  {55, 32}, {56, 33}, {57, 27}, {58, 34}, {59, 34}, {60, 35}, {61, 36}, {62, 37},
}};

// Fills "%s" and "%d" in order from the arguments; "%%" is a percent sign.
std::string Format(std::string_view text, const std::vector<MessageArgument>& arguments) {
  std::string result;
  size_t next = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size()) {
      const char kind = text[i + 1];
      if (kind == '%') {
        result += '%';
        ++i;
        continue;
      }
      if ((kind == 's' || kind == 'd') && next < arguments.size()) {
        const MessageArgument& argument = arguments[next++];
        if (const auto* s = std::get_if<std::string>(&argument)) result += *s;
        else result += std::to_string(std::get<int64_t>(argument));
        ++i;
        continue;
      }
    }
    result += text[i];
  }
  return result;
}

}  // namespace

int32_t ArchiveMessageNumber(int32_t code) {
  for (const auto& [tableCode, number] : kCodes)
    if (tableCode == code) return number;
  return 0;
}

std::string_view ArchiveMessageText(int32_t messageNumber) {
  if (messageNumber < 0 || messageNumber >= static_cast<int32_t>(kMessages.size())) return {};
  return kMessages[static_cast<size_t>(messageNumber)];
}

std::string ArchiveErrorMessage(int32_t code, std::string_view componentName,
                                const std::vector<MessageArgument>& arguments) {
  const std::string_view text = ArchiveMessageText(ArchiveMessageNumber(code));
  std::string message;
  if (!componentName.empty()) {
    message += componentName;
    message += ": ";
  }
  message += arguments.empty() ? std::string(text) : Format(text, arguments);
  // "%5d" with its padding spaces turned into zeros, as the component always wrote it.
  char digits[16];
  std::snprintf(digits, sizeof digits, "%5d", static_cast<int>(code));
  for (char* c = digits; *c; ++c)
    if (*c == ' ') *c = '0';
  message += " - Native error: ";
  message += digits;
  return message;
}

EArchiveError::EArchiveError(int32_t code, std::string_view componentName,
                             const std::vector<MessageArgument>& arguments, const std::string& cause)
    : Error(tavisto::WithCause(ArchiveErrorMessage(code, componentName, arguments), cause)),
      code_(code),
      messageNumber_(ArchiveMessageNumber(code)) {}

}  // namespace tavisto::zip
