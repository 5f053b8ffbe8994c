// The encoding step: the five labels, and the Auto-Select scan of the head.
#include "encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vellumine {
namespace {

using Expected = EncodingChoice;
const Expected kLatin = {MapIdentity, false}, kCp1251 = {MapIdentity, true},
               kKoi8 = {MapKoi8r, true}, kIso5 = {MapIso88595, true};

void ExpectChoice(const char* label, const std::string& text, Expected expected,
                  size_t n = std::string::npos) {
  SCOPED_TRACE(std::string(label) + " on: " + text);
  EncodingChoice choice = ChooseEncoding(label, text.data(), std::min(n, text.size()));
  EXPECT_TRUE(choice.mapper == expected.mapper) << "another mapper";
  EXPECT_EQ(choice.cyrillic, expected.cyrillic);
}

TEST(ChooseEncodingTest, ExplicitLabelsIgnoreTheDocument) {
  const std::string declaresLatin = "<head><meta charset=iso-8859-1></head>";
  const std::string declaresKoi8 = "<head><meta charset=koi8-r></head>";
  ExpectChoice("(Windows-1251) Cyrillic", declaresLatin, kCp1251);
  ExpectChoice("(KOI8-R) Cyrillic", declaresLatin, kKoi8);
  ExpectChoice("(ISO-8859-1) Latin1", declaresKoi8, kLatin);
  ExpectChoice("(ISO-8859-5) Cyrillic", declaresLatin, kIso5);
  // Labels are compared byte for byte; anything else is Latin-1 and reads no declaration.
  ExpectChoice("auto-select", declaresKoi8, kLatin);
  ExpectChoice("Auto-Select", declaresKoi8, kKoi8);
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
    ExpectChoice("Auto-Select",
                 std::string("<html><HEAD><meta http-equiv=Content-Type content=\"text/html; "
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
  for (const Case& c : cases) ExpectChoice("Auto-Select", c.text, c.expected);
  // A declaration cut off by n matches only what fits; bytes past n are never read.
  const std::string text = "<head><meta charset=koi8-r>";
  ExpectChoice("Auto-Select", text, kLatin, text.size() - 4);
  ExpectChoice("Auto-Select", text, kKoi8, text.size() - 3);
}

}  // namespace
}  // namespace vellumine
