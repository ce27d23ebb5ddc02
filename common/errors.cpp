// Texts of the runtime's errors, in UTF-8 like every message the program shows.
#include "common/errors.h"


namespace tavisto {
namespace {

constexpr char kCreateText[] = "Impossible de cr\xC3\xA9" "er le fichier ";
constexpr char kOpenText[] = "Impossible d'ouvrir le fichier ";
constexpr char kWriteText[] = "Erreur d'\xC3\xA9" "criture dans le flux";

}  // namespace

std::string WithCause(std::string text, std::string cause) {
  // Without the full stop a system text ends with: the error box adds its own.
  while (!cause.empty() && (cause.back() == '.' || cause.back() == ' ' || cause.back() == '\n' || cause.back() == '\r'))
    cause.pop_back();
  return cause.empty() ? text : text + " (" + cause + ")";
}

RegistryError RegistryError::InvalidType(const std::string& valueName) {
  return RegistryError("Type de donn\xC3\xA9" "es incorrect pour '" + valueName + "'");
}

RegistryError RegistryError::GetDataFailed(const std::string& valueName) {
  return RegistryError("Impossible d'obtenir les donn\xC3\xA9" "es de '" + valueName + "'");
}

FileCreateError::FileCreateError(const std::string& path) : Error(kCreateText + path) {}

FileCreateError::FileCreateError(const std::string& path, const std::string& cause)
    : Error(WithCause(kCreateText + path, cause)) {}

FileOpenError::FileOpenError(const std::string& path) : Error(kOpenText + path) {}

FileOpenError::FileOpenError(const std::string& path, const std::string& cause)
    : Error(WithCause(kOpenText + path, cause)) {}

StreamReadError::StreamReadError() : Error("Erreur de lecture du flux") {}

StreamWriteError::StreamWriteError() : Error(kWriteText) {}

StreamWriteError::StreamWriteError(const std::string& path, const std::string& cause)
    : Error(WithCause(kWriteText, path + ": " + cause)) {}

StreamWriteError::StreamWriteError(const std::string& consequence)
    : Error(std::string(StreamWriteError().what()) + ". " + consequence) {}

FileReplaceError::FileReplaceError(const std::string& path, const std::string& cause)
    : Error(WithCause("The new file could not take the place of " + path, cause) + "; that file is as it was.") {}

InOutError::InOutError(uint32_t code) : Error("Erreur E/S " + std::to_string(code)), code_(code) {}

}  // namespace tavisto
