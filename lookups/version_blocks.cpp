// Each block is: its length, its value's length, its type (1: text, value length in
// characters), a NUL-terminated UTF-16 key, padding to 32 bits, the value, padding to 32 bits,
// then its child blocks up to its length. Every read is checked against the block's bounds.
#include "lookups/version_blocks.h"

#include <cstddef>
#include <cstdint>

namespace tavisto::lookups {
namespace {

struct Block {
  size_t end = 0;            // one past its last byte
  size_t childrenStart = 0;  // where its first child would begin
  std::u16string key;
};

constexpr size_t Align4(size_t offset) { return (offset + 3) & ~size_t{3}; }

uint16_t Word(const std::vector<char>& data, size_t offset) {
  return static_cast<uint16_t>(static_cast<uint8_t>(data[offset]) |
                               (static_cast<uint8_t>(data[offset + 1]) << 8));
}

std::optional<Block> ReadBlock(const std::vector<char>& data, size_t offset, size_t limit) {
  constexpr size_t kHeader = 6;
  if (offset + kHeader > limit) return std::nullopt;
  const size_t length = Word(data, offset);
  const size_t valueLength = Word(data, offset + 2);
  const uint16_t type = Word(data, offset + 4);
  if (length < kHeader || offset + length > limit) return std::nullopt;
  Block block;
  block.end = offset + length;
  size_t at = offset + kHeader;
  for (;; at += 2) {
    if (at + 2 > block.end) return std::nullopt;  // a key without its NUL
    const char16_t c = static_cast<char16_t>(Word(data, at));
    if (c == 0) break;
    block.key += c;
  }
  const size_t valueBytes = type == 1 ? valueLength * 2 : valueLength;
  block.childrenStart = Align4(Align4(at + 2) + valueBytes);
  return block;
}

std::optional<Block> FindChild(const std::vector<char>& data, const Block& parent, const std::u16string* key) {
  for (size_t at = parent.childrenStart; at < parent.end;) {
    const auto child = ReadBlock(data, at, parent.end);
    if (!child) return std::nullopt;
    if (!key || child->key == *key) return child;
    at = Align4(child->end);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FirstStringTableName(const std::vector<char>& block) {
  const auto root = ReadBlock(block, 0, block.size());
  if (!root || root->key != u"VS_VERSION_INFO") return std::nullopt;
  const std::u16string stringFileInfo = u"StringFileInfo";
  const auto strings = FindChild(block, *root, &stringFileInfo);
  if (!strings) return std::nullopt;
  const auto table = FindChild(block, *strings, nullptr);
  if (!table || table->key.empty()) return std::nullopt;
  std::string name;
  for (char16_t c : table->key) {
    if (c >= 0x80) return std::nullopt;  // table names are hexadecimal digits
    name += static_cast<char>(c);
  }
  return name;
}

}  // namespace tavisto::lookups
