// The program's own error types: one per source of failure, each carrying the text the user
// sees. The runtime's file, stream and registry messages are French; like every message, the
// texts are UTF-8, so a path or name in them keeps whatever characters it has.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tavisto {

// Base of every error the program raises on purpose; what() is the text for the error box.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A registry value whose type does not match the read ("Type de données incorrect pour '%s'").
class RegistryError : public Error {
 public:
  using Error::Error;
  static RegistryError InvalidType(const std::string& valueName);
  static RegistryError GetDataFailed(const std::string& valueName);
};

// The runtime's texts keep their words; where the program knows more, the file and the cause
// follow them in brackets: "Impossible d'ouvrir le fichier C:\x.Z01 (File not found)".
[[nodiscard]] std::string WithCause(std::string text, std::string cause);

// A file that cannot be created ("Impossible de créer le fichier %s").
class FileCreateError : public Error {
 public:
  explicit FileCreateError(const std::string& path);
  FileCreateError(const std::string& path, const std::string& cause);
};

// A file that cannot be opened ("Impossible d'ouvrir le fichier %s").
class FileOpenError : public Error {
 public:
  explicit FileOpenError(const std::string& path);
  FileOpenError(const std::string& path, const std::string& cause);
};

// A stream read that failed ("Erreur de lecture du flux").
class StreamReadError : public Error {
 public:
  StreamReadError();
};

// A stream write that failed ("Erreur d'écriture dans le flux"), optionally followed by a
// sentence of the caller's on what became of the file.
class StreamWriteError : public Error {
 public:
  StreamWriteError();
  // The file written and why it failed, after the text.
  StreamWriteError(const std::string& path, const std::string& cause);
  // The text, then what became of the file written.
  explicit StreamWriteError(const std::string& consequence);
};

// A finished file that could not take the place of the file it was to replace, which is left as
// it was: "The new file could not take the place of C:\x\Report.txt (Access is denied); that
// file is as it was."
class FileReplaceError : public Error {
 public:
  FileReplaceError(const std::string& path, const std::string& cause);
};

// The runtime's input/output error for text files, with the system's error code ("Erreur E/S %d").
class InOutError : public Error {
 public:
  explicit InOutError(uint32_t code);
  [[nodiscard]] uint32_t Code() const noexcept { return code_; }

 private:
  uint32_t code_;
};

}  // namespace tavisto
