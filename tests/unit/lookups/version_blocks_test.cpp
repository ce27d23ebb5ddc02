#include "lookups/version_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavisto::lookups {
namespace {

// Builds version blocks the way resource compilers lay them out (32-bit form, UTF-16 keys,
// everything aligned to 32 bits), independently of the reader under test.
struct Node {
  std::u16string key;
  std::vector<char> value;
  uint16_t type = 0;
  uint16_t valueLength = 0;
  std::vector<Node> children;
};

void PutWord(std::vector<char>& out, size_t at, uint16_t word) {
  out[at] = static_cast<char>(word & 0xFF);
  out[at + 1] = static_cast<char>(word >> 8);
}

void Pad(std::vector<char>& out) {
  while (out.size() % 4) out.push_back(0);
}

void Write(const Node& node, std::vector<char>& out) {
  Pad(out);
  const size_t start = out.size();
  out.resize(start + 6);
  PutWord(out, start + 2, node.valueLength);
  PutWord(out, start + 4, node.type);
  for (char16_t c : node.key + u'\0') {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  Pad(out);
  out.insert(out.end(), node.value.begin(), node.value.end());
  for (const Node& child : node.children) Write(child, out);
  PutWord(out, start, static_cast<uint16_t>(out.size() - start));
}

Node Table(const std::u16string& name) {
  Node version{u"FileVersion", {'1', 0, '.', 0, '0', 0, 0, 0}, 1, 4, {}};
  return Node{name, {}, 1, 0, {version}};
}

Node Root(std::vector<Node> children) {
  Node root{u"VS_VERSION_INFO", std::vector<char>(52, 0), 0, 52, std::move(children)};
  root.value[0] = static_cast<char>(0xBD);  // VS_FIXEDFILEINFO signature, for realism
  return root;
}

std::vector<char> Bytes(const Node& root) {
  std::vector<char> out;
  Write(root, out);
  return out;
}

TEST(FirstStringTableName, IsTheFirstTableUnderStringFileInfo) {
  const Node strings{u"StringFileInfo", {}, 1, 0, {Table(u"040904E4"), Table(u"041004E4")}};
  EXPECT_EQ(FirstStringTableName(Bytes(Root({strings}))), "040904E4");
}

TEST(FirstStringTableName, LooksPastAVarFileInfoBlockBeforeIt) {
  const Node translation{u"Translation", {0x09, 0x04, static_cast<char>(0xB0), 0x04}, 0, 4, {}};
  const Node vars{u"VarFileInfo", {}, 1, 0, {translation}};
  const Node strings{u"StringFileInfo", {}, 1, 0, {Table(u"041004E4")}};
  EXPECT_EQ(FirstStringTableName(Bytes(Root({vars, strings}))), "041004E4");
}

TEST(FirstStringTableName, GivesNothingWithoutAStringTable) {
  EXPECT_EQ(FirstStringTableName(Bytes(Root({}))), std::nullopt);
  EXPECT_EQ(FirstStringTableName(Bytes(Root({Node{u"StringFileInfo", {}, 1, 0, {}}}))), std::nullopt);
  Node other = Root({Node{u"StringFileInfo", {}, 1, 0, {Table(u"040904E4")}}});
  other.key = u"NOT_VERSION";
  EXPECT_EQ(FirstStringTableName(Bytes(other)), std::nullopt);
  EXPECT_EQ(FirstStringTableName({}), std::nullopt);
}

TEST(FirstStringTableName, StaysInsideDamagedData) {
  const Node strings{u"StringFileInfo", {}, 1, 0, {Table(u"040904E4")}};
  const std::vector<char> good = Bytes(Root({strings}));
  // Cut anywhere: never a read past the end (the sanitizers watch), never a wrong name.
  for (size_t size = 0; size < good.size(); ++size) {
    const std::vector<char> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    const auto name = FirstStringTableName(cut);
    EXPECT_TRUE(!name || *name == "040904E4") << "cut at " << size;
  }
  // A block that claims more bytes than there are.
  std::vector<char> lying = good;
  PutWord(lying, 0, 0xFFFF);
  EXPECT_EQ(FirstStringTableName(lying), std::nullopt);
}

}  // namespace
}  // namespace tavisto::lookups
