#include "common/errors.h"

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
  // Where the program knows the cause, it follows in brackets (without the system's full stop).
  EXPECT_STREQ(FileOpenError("x.Z01", "File not found.").what(), "Impossible d'ouvrir le fichier x.Z01 (File not found)");
  EXPECT_STREQ(StreamWriteError("C:\\t\\Data.zip", "disk full").what(),
               "Erreur d'\xC3\xA9" "criture dans le flux (C:\\t\\Data.zip: disk full)");
  EXPECT_STREQ(FileReplaceError("C:\\t\\Report.txt", "Access is denied.").what(),
               "The new file could not take the place of C:\\t\\Report.txt (Access is denied); that file is as it was.");
  const InOutError io(32);
  EXPECT_STREQ(io.what(), "Erreur E/S 32");
  EXPECT_EQ(io.Code(), 32u);
}

}  // namespace
}  // namespace tavisto
