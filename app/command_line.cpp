// The command line's few rules, and its usage text, in one place: the parser and the text
// cannot drift apart. The switches are a table: a switch with more arguments is a row more.
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

// A switch, the arguments that follow it, and where they go.
struct SwitchRule {
  const char* name;  // without its "/" or "-", in lower case
  size_t arguments;
  const char* wanted;            // what must follow it, in words
  const char* nouns[2];          // each argument, in words, for the one that is empty
  bool (*given)(const CommandLine&);
  void (*store)(CommandLine&, std::vector<std::string>&& values);
};

const SwitchRule kSwitches[] = {
    {"report", 1, "the name of the file to write", {"file name"},
     [](const CommandLine& asked) { return asked.reportFile.has_value(); },
     [](CommandLine& asked, std::vector<std::string>&& values) { asked.reportFile = std::move(values[0]); }},
    {"data", 1, "the name of the file to write", {"file name"},
     [](const CommandLine& asked) { return asked.dataFile.has_value(); },
     [](CommandLine& asked, std::vector<std::string>&& values) { asked.dataFile = std::move(values[0]); }},
    {"open", 2, "the Data.zip to open and the folder to open it into", {"file name", "folder name"},
     [](const CommandLine& asked) { return asked.openDataZip.has_value(); },
     [](CommandLine& asked, std::vector<std::string>&& values) {
       asked.openDataZip = std::move(values[0]);
       asked.openFolder = std::move(values[1]);
     }},
};

// An argument that is no switch and follows none, on a line that has switches: refused.
std::string LoneArgumentRefusal(const std::string& argument) {
  return Quoted(argument) + " is not a switch: a file name goes after /report, /data or /open.";
}

// Lone arguments alone: Explorer gives one for a file dropped on the program or opened with it,
// and several for several files, which are not opened one after the other (each open is minutes
// of work and a message box).
CommandLine LoneArguments(const std::vector<std::string>& lone) {
  CommandLine asked;
  if (lone.size() == 1 && IsBlank(lone.front())) {
    asked.mode = RunMode::BesideRefused;
    asked.refusal = "Tavisto was given an empty name to open: drop a Data.zip on it, or open one with it.";
    return asked;
  }
  if (lone.size() == 1) {
    asked.mode = RunMode::OpenBeside;
    asked.loneFile = lone.front();
    return asked;
  }
  asked.mode = RunMode::BesideRefused;
  asked.refusal = "Tavisto opens one Data.zip at a time, and was given " + std::to_string(lone.size()) +
                  " files:";
  for (const std::string& argument : lone) asked.refusal += "\r\n" + argument;
  asked.refusal += "\r\nDrop one Data.zip on Tavisto, or open one with it.";
  return asked;
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
  std::vector<std::string> lone;
  bool switches = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!StartsLikeASwitch(argument)) {
      if (switches) return Refuse(LoneArgumentRefusal(argument));
      lone.push_back(argument);
      continue;
    }
    if (!lone.empty()) return Refuse(LoneArgumentRefusal(lone.front()));
    switches = true;
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
      if (IsBlank(values.back()))
        return Refuse(std::string("The ") + rule->nouns[k] + " after " + Quoted(argument) + " is empty.");
    }
    rule->store(asked, std::move(values));
  }
  if (!switches) return LoneArguments(lone);
  // Opening what a customer sent and gathering this machine's facts are two runs: each has its
  // own outcome and exit code.
  if (asked.openDataZip && (asked.dataFile || asked.reportFile))
    return Refuse("/open runs on its own: it opens a Data.zip a customer sent, while /data and /report "
                  "gather this machine's.");
  asked.mode = asked.openDataZip ? RunMode::Open : RunMode::Unattended;
  return asked;
}

std::vector<std::string> UsageLines() {
  return {
      "Usage: tavisto.exe [/data FILE] [/report FILE]",
      "       tavisto.exe /open DATAZIP FOLDER",
      "       tavisto.exe DATAZIP",
      "",
      "Without a switch the window opens; with one, no window opens, nothing is asked.",
      "  /data FILE     runs Get Data and writes Data.zip as FILE",
      "  /report FILE   writes the analysis report to FILE, the text the window shows",
      "  /open DATAZIP FOLDER",
      "                 opens a Data.zip a customer sent into FOLDER (new or empty):",
      "                 every product's files under FOLDER\\<product>, each checked",
      "                 against the manifest, the findings in FOLDER\\Verification.txt",
      "  DATAZIP        alone (a file dropped on tavisto.exe): opens it as /open does",
      "                 into a new folder beside it, \"Data (opened)\", and says in a",
      "                 message box how it went",
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
      "  0  everything was written and is complete (also after /?); /open: every",
      "     file is there and equal to the manifest",
      "  1  written, but incomplete: what was left out or cut short is named above;",
      "     /open: opened, but something is wrong (named in Verification.txt), or",
      "     Data.zip has no manifest",
      "  2  the command line is wrong, or a FILE cannot be written where it is (one",
      "     file named twice, a file inside a folder Get Data packs, FOLDER that is",
      "     DATAZIP): nothing written",
      "  3  failed, nothing written: the cause is named above (another Get Data",
      "     running, no room on the disk, a folder that does not exist, a DATAZIP",
      "     that is no ZIP, a FOLDER that is not empty, ...)",
  };
}

}  // namespace tavisto::app
