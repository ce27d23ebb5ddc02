// Texts of the runtime's errors, in UTF-8 like every message the program shows.
#include "os/errors.h"

#include "os/os_error.h"

namespace tavisto {

RegistryError RegistryError::InvalidType(const std::string& valueName) {
  return RegistryError("Type de donn\xC3\xA9" "es incorrect pour '" + valueName + "'");
}

RegistryError RegistryError::GetDataFailed(const std::string& valueName) {
  return RegistryError("Impossible d'obtenir les donn\xC3\xA9" "es de '" + valueName + "'");
}

FileCreateError::FileCreateError(const std::string& path)
    : Error("Impossible de cr\xC3\xA9" "er le fichier " + path) {}

FileOpenError::FileOpenError(const std::string& path)
    : Error("Impossible d'ouvrir le fichier " + path) {}

StreamReadError::StreamReadError() : Error("Erreur de lecture du flux") {}

StreamWriteError::StreamWriteError() : Error("Erreur d'\xC3\xA9" "criture dans le flux") {}

StreamWriteError::StreamWriteError(const std::string& consequence)
    : Error(std::string(StreamWriteError().what()) + ". " + consequence) {}

InOutError::InOutError(uint32_t code) : Error("Erreur E/S " + std::to_string(code)), code_(code) {}

OSError::OSError(uint32_t code)
    : Error("Erreur syst\xC3\xA8" "me. Code: " + std::to_string(code) + ".\r\n" + os::ErrorText(code)),
      code_(code) {}

}  // namespace tavisto
