#include "intake/volume_sets.h"

#include <cstdio>

#include "lookups/sibling_product.h"
#include "zip/name_case.h"

namespace tavisto::intake {
namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The number that ends text after its last `mark`, with at least `digits` digits; nothing when
// text does not end so. base takes what comes before the mark.
std::optional<uint32_t> NumberAfter(const std::string& text, char mark, size_t digits, std::string& base) {
  const auto at = text.rfind(mark);
  if (at == std::string::npos || at == 0 || text.size() - at - 1 < digits || text.size() - at - 1 > 6) return std::nullopt;
  uint32_t number = 0;
  for (size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    number = number * 10 + uint32_t(text[i] - '0');
  }
  if (number == 0) return std::nullopt;
  base = text.substr(0, at);
  return number;
}

}  // namespace

DataZipLayout SortEntries(const std::vector<std::string>& names) {
  DataZipLayout layout;
  std::map<std::string, size_t> lastParts;  // folded base -> index in layout.sets
  std::vector<std::string> folded;
  for (const std::string& name : names) folded.push_back(zip::FoldCase(name));
  // The last parts first: "X.zip" is a set unless it is "Y_001.zip" with a "Y.zip" beside it.
  std::map<std::string, size_t> zips;  // folded name -> entry
  for (size_t i = 0; i < names.size(); ++i)
    if (EndsWith(folded[i], ".zip") && names[i].find_first_of("/\\") == std::string::npos) zips.emplace(folded[i], i);
  const auto advancedPart = [&](size_t i, std::string& base) -> std::optional<uint32_t> {
    if (!EndsWith(folded[i], ".zip")) return std::nullopt;
    const auto number = NumberAfter(folded[i].substr(0, folded[i].size() - 4), '_', 3, base);
    if (!number || !zips.count(base + ".zip")) return std::nullopt;
    return number;
  };
  for (const auto& [name, i] : zips) {
    std::string base;
    if (advancedPart(i, base)) continue;
    if (lastParts.count(name.substr(0, name.size() - 4))) continue;  // the same name twice: the first is the set
    lastParts.emplace(name.substr(0, name.size() - 4), layout.sets.size());
    VolumeSet set;
    set.base = names[i].substr(0, names[i].size() - 4);
    set.last = i;
    layout.sets.push_back(set);
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (folded[i] == "manifest.json" && !layout.manifest) {
      layout.manifest = i;
      continue;
    }
    std::string base;
    std::optional<uint32_t> number = advancedPart(i, base);
    const bool advanced = number.has_value();
    if (!number) {
      const auto dot = folded[i].rfind(".z");
      if (dot != std::string::npos) number = NumberAfter(folded[i].substr(0, dot + 1) + folded[i].substr(dot + 2), '.', 2, base);
    }
    const auto set = number ? lastParts.find(base) : lastParts.end();
    if (set != lastParts.end()) {
      VolumeSet& found = layout.sets[set->second];
      if (found.numbered.emplace(*number, i).second) {
        found.advancedNaming = found.advancedNaming || advanced;
        found.upperZ = found.upperZ || (!advanced && base.size() + 1 < names[i].size() && names[i][base.size() + 1] == 'Z');
        continue;
      }
    }
    bool isLast = false;
    for (const VolumeSet& each : layout.sets) isLast = isLast || each.last == i;
    if (!isLast) layout.others.push_back(i);
  }
  return layout;
}

std::string PartName(const VolumeSet& set, uint32_t index) {
  char suffix[32];
  if (set.advancedNaming)
    std::snprintf(suffix, sizeof suffix, "_%03u.zip", index + 1);
  else
    std::snprintf(suffix, sizeof suffix, ".%c%02u", set.upperZ ? 'Z' : 'z', index + 1);
  return set.base + suffix;
}

std::string ProductFolderName(const std::string& lastPartName, const std::string& base) {
  for (const lookups::SiblingProduct product : lookups::kAllProducts) {
    const lookups::ProductConstants& known = lookups::Describe(product);
    if (zip::FoldedEqual(lastPartName, known.archiveFile)) return known.name;
  }
  const std::string folded = zip::FoldCase(base);
  if (folded.size() > 4 && EndsWith(folded, "data")) return base.substr(0, base.size() - 4);
  return base;
}

}  // namespace tavisto::intake
