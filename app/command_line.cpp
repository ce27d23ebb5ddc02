// The command line's few rules, and its usage text, in one place: the parser and the text
// cannot drift apart.
#include "app/command_line.h"

#include <algorithm>

namespace tavisto::app {
namespace {

bool StartsLikeASwitch(const std::string& argument) {
  return !argument.empty() && (argument[0] == '/' || argument[0] == '-');
}

// Only ASCII letters are folded: every switch is plain ASCII, so a name with other letters is
// unknown whatever its case.
std::string AsciiLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return text;
}

// The switch's name without its "/" or "-", in lower case.
std::string SwitchName(const std::string& argument) { return AsciiLower(argument.substr(1)); }

bool IsHelp(const std::string& argument) {
  if (!StartsLikeASwitch(argument)) return false;
  const std::string name = SwitchName(argument);
  return name == "?" || name == "help";
}

// Windows drops spaces at the end of a name: a FILE of spaces alone names no file.
bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// File names on Windows match in any case; nothing subtler is tried (".\x" and "x" pass).
bool SameName(const std::string& a, const std::string& b) { return AsciiLower(a) == AsciiLower(b); }

CommandLine Refuse(std::string why) {
  CommandLine refused;
  refused.mode = RunMode::Refused;
  refused.refusal = std::move(why);
  return refused;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine asked;
  if (arguments.empty()) return asked;
  // A call for help is answered whatever else is on the line.
  if (std::any_of(arguments.begin(), arguments.end(), IsHelp)) {
    asked.mode = RunMode::Usage;
    return asked;
  }
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!StartsLikeASwitch(argument))
      return Refuse(Quoted(argument) + " is not a switch: a file name goes after /report or /data.");
    const std::string name = SwitchName(argument);
    std::optional<std::string>* file = nullptr;
    if (name == "report") file = &asked.reportFile;
    if (name == "data") file = &asked.dataFile;
    if (!file) return Refuse("Unknown switch " + Quoted(argument) + ".");
    if (file->has_value()) return Refuse(Quoted(argument) + " is given twice.");
    if (i + 1 == arguments.size() || StartsLikeASwitch(arguments[i + 1]))
      return Refuse(Quoted(argument) + " needs the name of the file to write after it.");
    const std::string& path = arguments[++i];
    if (IsBlank(path)) return Refuse("The file name after " + Quoted(argument) + " is empty.");
    *file = path;
  }
  if (asked.reportFile && asked.dataFile && SameName(*asked.reportFile, *asked.dataFile))
    return Refuse("/report and /data name the same file: each needs a file of its own.");
  asked.mode = RunMode::Unattended;
  return asked;
}

std::vector<std::string> UsageLines() {
  return {
      "Usage: tavisto.exe [/data FILE] [/report FILE]",
      "",
      "Without a switch the window opens; with one, no window opens, nothing is asked.",
      "  /data FILE     runs Get Data and writes Data.zip as FILE",
      "  /report FILE   writes the analysis report to FILE, the text the window shows",
      "  /?             prints this text (so does /help)",
      "Switches start with / or - and may be written in any case. Given both, /data",
      "runs first, so that the report has the products' CS.log sections. The folder",
      "of FILE must exist; a FILE already there is replaced once the new one is whole.",
      "Files held by another program are tried again for a few seconds, then left out.",
      "",
      "So that the console shows each step and the exit code is there once it ends:",
      "  cmd:         start /wait tavisto.exe /report C:\\Temp\\Report.txt",
      "               echo %ERRORLEVEL%",
      "  PowerShell:  $run = Start-Process tavisto.exe '/report C:\\Temp\\Report.txt' `",
      "                 -NoNewWindow -Wait -PassThru; $run.ExitCode",
      "",
      "Exit codes:",
      "  0  everything was written and is complete (also after /?)",
      "  1  written, but incomplete: what was left out or cut short is named above",
      "  2  the command line is wrong: nothing was written",
      "  3  failed, nothing written: the cause is named above (another Get Data",
      "     running, no room on the disk, a folder that does not exist, ...)",
  };
}

}  // namespace tavisto::app
