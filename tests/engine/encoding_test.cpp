// The encoding step: the five labels, and the Auto-Select scan of the head.
#include "encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vellumine {
namespace {

const char* MapperName(CharMapper m) {
  if (m == MapIdentity) return "identity";
  if (m == MapKoi8r) return "koi8r";
  if (m == MapIso88595) return "iso88595";
  return "?";
}

struct Expected {
  const char* mapper;
  bool cyrillic;
};

const Expected kLatin = {"identity", false};
const Expected kCp1251 = {"identity", true};
const Expected kKoi8 = {"koi8r", true};
const Expected kIso5 = {"iso88595", true};

void ExpectChoice(const char* label, const std::string& text, Expected expected,
                  size_t n = std::string::npos) {
  SCOPED_TRACE(std::string(label) + " on: " + text);
  EncodingChoice choice = ChooseEncoding(label, text.data(), std::min(n, text.size()));
  EXPECT_STREQ(MapperName(choice.mapper), expected.mapper);
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
  ExpectChoice("(koi8-r) cyrillic", declaresKoi8, kLatin);
  ExpectChoice("auto-select", declaresKoi8, kLatin);
  ExpectChoice("Auto-Select", declaresKoi8, kKoi8);
}

TEST(ChooseEncodingTest, AutoSelectTokens) {
  struct Case {
    const char* charset;
    Expected expected;
  };
  const Case cases[] = {
      {"windows-1251", kCp1251}, {"x-cp1251", kCp1251},     {"koi8-r", kKoi8},
      {"KOI8-U", kKoi8},         {"iso-8859-5", kIso5},      {"ISO_8859-5", kIso5},
      {"Latin5", kIso5},         {"iso-8859-1", kLatin},     {"LATIN1", kLatin},
      {"iso-8859-15", kLatin},   {"utf-8", kLatin},          {"windows-1252", kLatin},
      {"cp866", kLatin},         {"KoI8", kKoi8},
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
      {"<head><meta charset=x>koi8</head>", kLatin},
      {"<head><meta koi8 charset=x></head>", kLatin},
      {"<head><meta charset=x lang=koi8></head>", kKoi8},
      // Within one tag and across tags the last token found wins.
      {"<head><meta charset=koi8-r windows-1251></head>", kCp1251},
      {"<head><meta charset=koi8-r><meta charset=iso-8859-1></head>", kLatin},
      {"<head><x charset=a><y charset=latin5></head>", kIso5},
      // A declaration cut off by the end matches only what fits.
      {"<head><meta charset=koi8", kKoi8},
      {"<head><meta charset=koi", kLatin},
  };
  for (const Case& c : cases) ExpectChoice("Auto-Select", c.text, c.expected);
  // The end is given by n, not by a terminator: bytes past n are never read.
  const std::string text = "<head><meta charset=koi8-r>";
  ExpectChoice("Auto-Select", text, kLatin, text.size() - 4);
  ExpectChoice("Auto-Select", text, kKoi8, text.size() - 3);
}

}  // namespace
}  // namespace vellumine
