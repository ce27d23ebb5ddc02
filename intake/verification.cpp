#include "intake/verification.h"

#include "common/size_text.h"

namespace tavisto::intake {
namespace {

constexpr size_t kConsoleProblemsPerKind = 20;

const char* Title(ProblemKind kind) {
  switch (kind) {
    case ProblemKind::Differs: return "Files that differ from the manifest:";
    case ProblemKind::NotInSet: return "Files the manifest lists that no set holds:";
    case ProblemKind::NotInManifest: return "Files a set holds that the manifest does not list:";
    case ProblemKind::Volume: return "Volumes of Data.zip that differ from the manifest:";
    case ProblemKind::Part: return "Parts of a set that are missing, cut short or cannot be read:";
    case ProblemKind::Unpack: return "Entries that could not be unpacked:";
  }
  return "";
}

std::string Files(uint64_t count) { return DigitsGrouped(count) + (count == 1 ? " file" : " files"); }
std::string Problems(uint64_t count) { return DigitsGrouped(count) + (count == 1 ? " problem" : " problems"); }

}  // namespace

std::vector<std::string> Verification::Lines(bool forConsole) const {
  // The console was told what is opened where as the open began.
  std::vector<std::string> lines(header.begin() + (forConsole && !header.empty() ? 1 : 0), header.end());
  lines.emplace_back();
  for (const ProductTally& product : products) {
    if (!product.packed) {
      lines.push_back(product.name + ": not packed on the customer's machine");
      continue;
    }
    std::string line = product.name + ": " + Files(product.files) + ", " + SizeText(product.bytes) + ", ";
    line += product.problems == 0 ? (manifestRead ? "all as packed" : "not verified") : Problems(product.problems);
    lines.push_back(line);
  }
  for (const ProblemKind kind : {ProblemKind::Differs, ProblemKind::NotInSet, ProblemKind::NotInManifest,
                                 ProblemKind::Volume, ProblemKind::Part, ProblemKind::Unpack}) {
    size_t shown = 0, all = 0;
    for (const auto& [each, text] : problems) {
      if (each != kind) continue;
      if (all++ == 0) {
        lines.emplace_back();
        lines.emplace_back(Title(kind));
      }
      if (!forConsole || shown < kConsoleProblemsPerKind) {
        lines.push_back("  " + text);
        ++shown;
      }
    }
    if (all > shown) lines.push_back("  and " + DigitsGrouped(all - shown) + " more (see Verification.txt)");
  }
  if (!leftOut.empty()) {
    lines.emplace_back();
    lines.emplace_back("Left out on the customer's machine:");
    for (const std::string& each : leftOut) lines.push_back("  " + each);
  }
  lines.emplace_back();
  std::string totals = "Totals: " + Files(files) + ", " + SizeText(bytes) + "; ";
  totals += manifestRead ? DigitsGrouped(asPacked) + " as packed, " + Problems(problems.size())
                         : "nothing verified, " + Problems(problems.size());
  if (!leftOut.empty()) totals += ", " + DigitsGrouped(leftOut.size()) + " left out on the customer's machine";
  lines.push_back(totals);
  return lines;
}

}  // namespace tavisto::intake
