// What the report could not read although it went on (a registry value, a product's folder, a
// log, a tool's list): one line each in UTF-8, naming the key or file and whose it is, for the
// console and the window's closing message. The report says the same where the part is missing.
//   problems.Add("Quorix: C:\\Data\\CS.log grew while it was read: ...");
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace tavisto::report {

class Problems {
 public:
  // Keeps the line once: a product's folder value is read by more than one section.
  void Add(const std::string& line) {
    if (!line.empty() && std::find(lines_.begin(), lines_.end(), line) == lines_.end()) lines_.push_back(line);
  }
  [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

}  // namespace tavisto::report
