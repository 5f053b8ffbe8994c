// Character references: fixed forms, numeric and named runs, and the byte escapes.
#include "translation/entities.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vellumine {
namespace {

// The text from the ampersand, the replacement, and the bytes after the ampersand that
// belong to the reference.
struct EntityCase {
  std::string text;
  bool cyrillic;
  std::string expected;
  size_t used;
};

void ExpectEntity(const EntityCase& c) {
  SCOPED_TRACE("text: " + c.text + (c.cyrillic ? " (Cyrillic)" : ""));
  EntityResult result;
  size_t used = EscapeEntity(c.text.data(), 0, c.text.size(), result, c.cyrillic);
  EXPECT_EQ(result.view(), c.expected);
  EXPECT_EQ(used, c.used);
}

TEST(EscapeEntityTest, FixedFormsAndNumbers) {
  const EntityCase cases[] = {
      {"&nbsp;x", false, " ", 5},       {"&quot<b>", false, "\"", 4},
      {"&rsquo;", false, "'", 6},       {"&ldquo<", false, "\"", 5},
      // Only the lowercase spelling is a fixed form; the others are looked up as names.
      {"&NBSP;", false, "NBSP", 5},
      // The table rows behind the fixed forms: the name ends with a blank or the text.
      {"&nbsp x", false, "\\'a0", 5}, {"&lt", false, "\\'3c", 3},
      // "&quot" with another byte after it collects a run.
      {"&quotx;", false, "quotx", 6},
      {"&#233;", true, "\\f99\\'e9", 5}, {"&#x41;", false, "\\'41", 5},
      // "&#X" is decimal: the run "X41" reads as 0, below 32, and is written back.
      {"&#X41;", false, "X41", 5},      {"&#-5;", false, "-5", 4},  {"&#x;", false, "", 3},
      // Lenient decimal reading: leading white space, a sign, digits up to another byte; the
      // run ends at a blank too.
      {"&#\t+65abc;", false, "\\'41", 9}, {"&#233 x", false, "\\'e9", 5},
  };
  for (const EntityCase& c : cases) ExpectEntity(c);
}

// Values above 255 are UTF-16 units as signed 16-bit decimals with "?" as the fallback.
TEST(EscapeEntityTest, UnicodeEscapes) {
  const EntityCase cases[] = {
      {"&#8212;", false, "\\u8212?", 6},    {"&#x20ac;", true, "\\u8364?", 7},
      {"&#256;", false, "\\u256?", 5},      {"&#32767;", false, "\\u32767?", 7},
      {"&#32768;", false, "\\u-32768?", 7}, {"&#65533;", false, "\\u-3?", 7},
      // Above 0xFFFF: a surrogate pair.
      {"&#128512;", false, "\\u-10179?\\u-8704?", 8},
      {"&#x10FFFF;", false, "\\u-9217?\\u-8193?", 9},
      // Past the last code point, and surrogates standing alone: the replacement character.
      {"&#x110000;", false, "\\u-3?", 9},   {"&#xD800;", false, "\\u-3?", 7},
      {"&#57343;", false, "\\u-3?", 7},     {"&#55295;", false, "\\u-10241?", 7},
      // Nine digits wrap modulo 2^32; negative after the wrap: written back as the run.
      {"&#x100000041;", false, "\\'41", 12}, {"&#xFFFFFFFF;", false, "FFFFFFFF", 11},
  };
  for (const EntityCase& c : cases) ExpectEntity(c);
}

TEST(EscapeEntityTest, NamedReferencesAndRuns) {
  const EntityCase cases[] = {
      {"&fraq12;", false, "\\'bd", 7}, {"&Aelig;", false, "\\'c6", 6},
      // Case matters; the usual spellings of the odd names are HTML's names (below).
      {"&Copy;", false, "Copy", 5},    {"&AElig;", false, "\\'c6", 6},
      // The run takes tags and any other byte up to ";" or a blank.
      {"&x<b>y z", false, "x<b>y", 6}, {"&;", false, "", 1}, {"&", false, "", 1},
      // A run written back is escaped as text is, so it cannot close the document or
      // inject control words.
      {"&x}b;", false, "x\\}b", 4},    {"&\\par;", false, "\\\\par", 5},
      {"&{{{{{{{{{;", false, "\\{\\{\\{\\{\\{\\{\\{\\{\\{", 10},
      // Ten bytes or more before ";" make no reference; at most ten bytes are looked at.
      {"&#x1234567890;", false, "&", 1},
      {"&abcdefghij;", false, "&", 0},  {"&abcdefghi;", false, "abcdefghi", 10},
  };
  for (const EntityCase& c : cases) ExpectEntity(c);
}

// Bytes at or past the length never match, whatever follows them in memory.
TEST(EscapeEntityTest, StopsAtTheLength) {
  const char text[] = "a&nbsp;&#233;&eacute;";
  const struct { size_t p, length; std::string expected; size_t used; } cuts[] = {
      {1, 5, "nbs", 4}, {1, 6, "\\'a0", 5}, {1, 7, " ", 5}, {7, 11, "23", 4}, {13, 17, "eac", 4},
  };
  for (const auto& c : cuts) {
    SCOPED_TRACE(c.expected);
    EntityResult result;
    EXPECT_EQ(EscapeEntity(text, c.p, c.length, result, false), c.used);
    EXPECT_EQ(result.view(), c.expected);
  }
}

// The rows against a code chart, and every name escaping to its own code.
TEST(EntityTableTest, EveryNameEscapesToItsCode) {
  ASSERT_EQ(std::size(EntityTable), 101u);
  EXPECT_STREQ(EntityTable[4 + 0xBF - 0xA0].name, "iquest");
  EXPECT_STREQ(EntityTable[4 + 0xF7 - 0xA0].name, "divide");
  for (size_t r = 0; r < 101; ++r) {
    const EntityRow& row = EntityTable[r];
    size_t code = r < 4 ? static_cast<unsigned char>("\x22\x26\x3C\x3E"[r])
                  : r < 100 ? 0xA0 + (r - 4) : 0x80;
    EXPECT_EQ(static_cast<size_t>(row.code), code) << row.name;
    std::string text = std::string("&") + row.name;  // ended by the text: no fixed form
    char hex[5] = {'\\', '\'', 0, 0, 0};
    FormatHexByte(row.code, hex);
    for (bool cyrillic : {false, true})
      ExpectEntity({text, cyrillic, std::string(cyrillic ? "\\f99" : "") + hex,
                    std::strlen(row.name) + 1});
  }
}

TEST(ParseHexTest, Values) {
  const struct { const char* digits; int32_t value; } cases[] = {
      {"", 0},   {"20AC", 8364}, {"20ac", 8364}, {"2g", 87}, {"ffffffff", -1},
      {"123456789", 0x23456789},  // a ninth digit from the right has no effect
      {"#", -13},                 // "#" counts its code minus 48
  };
  for (const auto& c : cases) EXPECT_EQ(ParseHex(c.digits), c.value) << c.digits;
}

TEST(FormatHexByteTest, DigitsAndRange) {
  char buffer[5] = {'\\', '\'', 'x', 'x', 'x'};
  FormatHexByte(10, buffer);
  EXPECT_STREQ(buffer, "\\'0a");
  FormatHexByte(256, buffer);  // out of range: unchanged
  EXPECT_STREQ(buffer, "\\'0a");
}

}  // namespace
}  // namespace vellumine
