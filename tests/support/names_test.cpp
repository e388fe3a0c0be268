#include "modrask/support/names.h"

#include <gtest/gtest.h>

#include <string>

namespace modrask {
namespace {

TEST(Names, NameCharsAreDigitsLettersUnderscoreAndAt) {
  std::string legal;
  for (int c = 0; c < 256; ++c) {
    if (IsNameChar(static_cast<char>(c))) legal += static_cast<char>(c);
  }
  EXPECT_EQ(legal, "0123456789@ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
}

TEST(Names, LegalNamesClearTheMessage) {
  std::string msg = "left over";
  EXPECT_TRUE(CheckSetName("REG", msg));
  EXPECT_EQ(msg, "");
  msg = "left over";
  EXPECT_TRUE(CheckSetName("reg_2", msg));
  EXPECT_EQ(msg, "");
  EXPECT_TRUE(CheckSetName("A@B", msg));
  EXPECT_TRUE(CheckElementName("ABCDEFGHIJKL", msg));  // 12 characters
  EXPECT_TRUE(CheckSetName("abc", msg));
  EXPECT_TRUE(CheckSetName("ABC", msg));
}

TEST(Names, FirstCharacterMustBeALetter) {
  std::string msg;
  for (const char* name : {"_REG", "@REG", "2REG", " REG"}) {
    EXPECT_FALSE(CheckSetName(name, msg)) << name;
    EXPECT_EQ(msg, "Set name must start with a letter A-Z") << name;
  }
  EXPECT_FALSE(CheckElementName("9", msg));
  EXPECT_EQ(msg, "Element name must start with a letter A-Z");
}

TEST(Names, FirstIllegalCharacterIsReported) {
  std::string msg;
  EXPECT_FALSE(CheckSetName("REG ION", msg));
  EXPECT_EQ(msg, "Illegal character \" \" in Set name");
  EXPECT_FALSE(CheckSetName("REG-1", msg));
  EXPECT_EQ(msg, "Illegal character \"-\" in Set name");
  EXPECT_FALSE(CheckElementName("A-B.C", msg));
  EXPECT_EQ(msg, "Illegal character \"-\" in Element name");
  EXPECT_FALSE(CheckElementName("Caf\xE9", msg));  // accented letter, one byte
  EXPECT_EQ(msg, "Illegal character \"\xE9\" in Element name");
  EXPECT_FALSE(CheckSetName(std::string("A\0B", 3), msg));
  const char expected[] = "Illegal character \"\0\" in Set name";
  EXPECT_EQ(msg, std::string(expected, sizeof expected - 1));
}

TEST(Names, LengthIsCheckedBeforeEverythingElse) {
  std::string msg;
  EXPECT_FALSE(CheckSetName("ABCDEFGHIJKLM", msg));  // 13
  EXPECT_EQ(msg, "Set name must be at most 12 characters long");
  EXPECT_FALSE(CheckElementName("             ", msg));  // 13 blanks
  EXPECT_EQ(msg, "Element name must be at most 12 characters long");
  EXPECT_FALSE(CheckName("ABCD", 3, "Thing", msg));
  EXPECT_EQ(msg, "Thing must be at most 3 characters long");
}

TEST(Names, EmptyNameIsBlank) {
  std::string msg;
  EXPECT_FALSE(CheckSetName("", msg));
  EXPECT_EQ(msg, "Set name must not be blank");
  EXPECT_FALSE(CheckElementName("", msg));
  EXPECT_EQ(msg, "Element name must not be blank");
}

}  // namespace
}  // namespace modrask
