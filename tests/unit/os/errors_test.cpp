#include "os/errors.h"

#include <gtest/gtest.h>

namespace tavisto {
namespace {

// The texts are the runtime's, in UTF-8.
TEST(Errors, CarryTheRuntimeTexts) {
  EXPECT_STREQ(RegistryError::InvalidType("RegisteredOwner").what(),
               "Type de donn\xC3\xA9" "es incorrect pour 'RegisteredOwner'");
  EXPECT_STREQ(FileCreateError("C:\\Users\\u\\Desktop\\Data.zip").what(),
               "Impossible de cr\xC3\xA9" "er le fichier C:\\Users\\u\\Desktop\\Data.zip");
  EXPECT_STREQ(FileOpenError("x").what(), "Impossible d'ouvrir le fichier x");
  EXPECT_STREQ(StreamReadError().what(), "Erreur de lecture du flux");
  EXPECT_STREQ(StreamWriteError().what(), "Erreur d'\xC3\xA9" "criture dans le flux");
  const InOutError io(32);
  EXPECT_STREQ(io.what(), "Erreur E/S 32");
  EXPECT_EQ(io.Code(), 32u);
}

}  // namespace
}  // namespace tavisto
