// A fresh folder for one test under the system's temporary folder (or the one TAVISTO_TEST_TEMP
// names), removed with everything in it when the test passed and kept (its path printed) when
// it failed, for a look inside.
//   TempDir dir;
//   WriteFile(dir.Path("a.txt"), "text");
#pragma once

#include <cstdint>
#include <string>

namespace tavisto::test {

class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();

  // The folder, without a trailing separator.
  [[nodiscard]] const std::string& Root() const { return root_; }
  // root + separator + relative ("\" or "/" in relative are both fine).
  [[nodiscard]] std::string Path(const std::string& relative) const;

 private:
  std::string root_;
};

// The platform's path separator as the program writes it ("\" on Windows, "/" elsewhere).
[[nodiscard]] char Separator();

// Whole-file helpers for fixtures; they fail the test (ADD_FAILURE) when the OS refuses.
void WriteFile(const std::string& path, const std::string& bytes);
[[nodiscard]] std::string ReadFile(const std::string& path);
void MakeDirectories(const std::string& path);
void RemoveTree(const std::string& path);

}  // namespace tavisto::test
