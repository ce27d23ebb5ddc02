// The command line's few rules, and its usage text, in one place: the parser and the text
// cannot drift apart. The switches are a table: a switch with more arguments, or one that takes
// a lone argument, is a row more.
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

CommandLine Refuse(std::string why) {
  CommandLine refused;
  refused.mode = RunMode::Refused;
  refused.refusal = std::move(why);
  return refused;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A switch, how many arguments follow it, and where they go.
struct SwitchRule {
  const char* name;  // without its "/" or "-", in lower case
  size_t arguments;
  const char* wanted;  // what must follow it, in words
  bool (*given)(const CommandLine&);
  void (*store)(CommandLine&, std::vector<std::string>&& values);
};

const SwitchRule kSwitches[] = {
    {"report", 1, "the name of the file to write", [](const CommandLine& asked) { return asked.reportFile.has_value(); },
     [](CommandLine& asked, std::vector<std::string>&& values) { asked.reportFile = std::move(values[0]); }},
    {"data", 1, "the name of the file to write", [](const CommandLine& asked) { return asked.dataFile.has_value(); },
     [](CommandLine& asked, std::vector<std::string>&& values) { asked.dataFile = std::move(values[0]); }},
};

// An argument that is no switch and follows none, as the command line takes it: no command
// takes one yet, so it is refused.
std::optional<std::string> LoneArgumentRefusal(const std::string& argument) {
  return Quoted(argument) + " is not a switch: a file name goes after /report or /data.";
}

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
    if (!StartsLikeASwitch(argument)) {
      if (const auto refusal = LoneArgumentRefusal(argument)) return Refuse(*refusal);
      continue;
    }
    const std::string name = SwitchName(argument);
    const auto rule = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                   [&name](const SwitchRule& each) { return name == each.name; });
    if (rule == std::end(kSwitches)) return Refuse("Unknown switch " + Quoted(argument) + ".");
    if (rule->given(asked)) return Refuse(Quoted(argument) + " is given twice.");
    std::vector<std::string> values;
    for (size_t k = 0; k < rule->arguments; ++k) {
      if (i + 1 == arguments.size() || StartsLikeASwitch(arguments[i + 1]))
        return Refuse(Quoted(argument) + " needs " + rule->wanted + " after it.");
      values.push_back(arguments[++i]);
      if (IsBlank(values.back())) return Refuse("The file name after " + Quoted(argument) + " is empty.");
    }
    rule->store(asked, std::move(values));
  }
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
      "Ctrl+C, Ctrl+Break or closing the console stops the run: nothing is written.",
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
      "  2  the command line is wrong, or a FILE cannot be written where it is (one",
      "     file named twice, a file inside a folder Get Data packs): nothing written",
      "  3  failed, nothing written: the cause is named above (another Get Data",
      "     running, no room on the disk, a folder that does not exist, ...)",
  };
}

}  // namespace tavisto::app
