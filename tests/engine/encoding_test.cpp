// The encoding step: each encoding asked for, and the Auto-Select scan of the head.
#include "translation/encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vellumine {
namespace {

using Expected = EncodingChoice;
const Expected kLatin = {MapIdentity, false}, kCp1251 = {MapIdentity, true},
               kKoi8 = {MapKoi8r, true}, kIso5 = {MapIso88595, true},
               kUtf8 = {MapIdentity, false, true};
constexpr vellumine_encoding kAuto = VELLUMINE_ENCODING_AUTO;

// Every field compared: a Latin-1 and a UTF-8 choice differ only in the UTF-8 flag.
void ExpectChoice(vellumine_encoding encoding, const std::string& text, Expected expected,
                  size_t n = std::string::npos) {
  SCOPED_TRACE(std::to_string(encoding) + " on: " + text);
  EncodingChoice choice = ChooseEncoding(encoding, text.data(), std::min(n, text.size()));
  EXPECT_TRUE(choice.mapper == expected.mapper) << "another mapper";
  EXPECT_EQ(choice.cyrillic, expected.cyrillic);
  EXPECT_EQ(choice.utf8, expected.utf8);
}

TEST(ChooseEncodingTest, AnEncodingAskedForIgnoresTheDocument) {
  const std::string declaresLatin = "<head><meta charset=iso-8859-1></head>";
  const std::string declaresKoi8 = "<head><meta charset=koi8-r></head>\xC3\xA9";
  ExpectChoice(VELLUMINE_ENCODING_WINDOWS_1251, declaresLatin, kCp1251);
  ExpectChoice(VELLUMINE_ENCODING_KOI8_R, declaresLatin, kKoi8);
  ExpectChoice(VELLUMINE_ENCODING_ISO_8859_1, declaresKoi8, kLatin);
  ExpectChoice(VELLUMINE_ENCODING_ISO_8859_5, declaresLatin, kIso5);
  ExpectChoice(VELLUMINE_ENCODING_UTF_8, declaresKoi8, kUtf8);
  ExpectChoice(kAuto, declaresKoi8, kKoi8);
  // Undeclared: UTF-8 beyond ASCII is found by its bytes, anything else is Latin-1.
  ExpectChoice(kAuto, "<p>caf\xC3\xA9", kUtf8);
  ExpectChoice(kAuto, "<p>caf\xE9", kLatin);
}

TEST(ChooseEncodingTest, AutoSelectTokens) {
  struct Case {
    const char* charset;
    Expected expected;
  };
  const Case cases[] = {
      {"x-cp1251", kCp1251}, {"KOI8-U", kKoi8},    {"ISO_8859-5", kIso5}, {"Latin5", kIso5},
      {"LATIN1", kLatin},    {"iso-8859-15", kLatin}, {"windows-1252", kLatin}, {"KoI8", kKoi8},
  };
  for (const Case& c : cases) {
    ExpectChoice(kAuto, std::string("<html><HEAD><meta http-equiv=Content-Type content=\"text/html; "
                             "charset=") + c.charset + "\"></head><body>x</body>",
                 c.expected);
  }
}

TEST(ChooseEncodingTest, AutoSelectWhereDeclarationsCount) {
  struct Case {
    const char* text;
    Expected expected;
  };
  const Case cases[] = {
      {"<HeAd><META CHARSET=Windows-1251></hEaD>", kCp1251},
      // Outside the head, or no head at all, or a head tag with attributes: nothing read.
      {"<head></head><meta charset=koi8-r>", kLatin},
      {"<head lang=en><meta charset=koi8-r></head>", kLatin},
      // Only the first "<head>" opens the scan, and it runs to the end without "</head>".
      {"<head></head><head><meta charset=koi8-r>", kLatin},
      {"<head><meta charset=koi8-r>", kKoi8},
      // "charset=" exactly: no blanks before the "=".
      {"<head><meta charset =koi8-r></head>", kLatin},
      {"<head><meta charset= koi8-r></head>", kKoi8},
      // Tokens after the tag's ">" do not count; tokens anywhere from "charset" on do.
      {"<head><meta koi8 charset=x>koi8</head>", kLatin},
      {"<head><meta charset=x lang=koi8></head>", kKoi8},
      // Within one tag and across tags the last token found wins.
      {"<head><meta charset=koi8-r windows-1251></head>", kCp1251},
      {"<head><meta charset=koi8-r><meta charset=iso-8859-1></head>", kLatin},
  };
  for (const Case& c : cases) ExpectChoice(kAuto, c.text, c.expected);
  // A declaration cut off by n matches only what fits; bytes past n are never read.
  const std::string text = "<head><meta charset=koi8-r>";
  ExpectChoice(kAuto, text, kLatin, text.size() - 4);
  ExpectChoice(kAuto, text, kKoi8, text.size() - 3);
}

}  // namespace
}  // namespace vellumine
