// UTF-8 pages and HTML's named references: decoding, Auto-Select, RTF and plain text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/convert_file.h"
#include "translation/encoding.h"
#include "translation/entities.h"
#include "translation/output_stream.h"
#include "rtf_test_util.h"
#include "translation/text_writer.h"
#include "translation/translation_input.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine {
namespace {

const EncodingChoice kLatin{};
const EncodingChoice kUtf8{MapIdentity, false, true};
const EncodingChoice kCyrillic{MapIdentity, true, false};

TEST(Utf8Test, WellFormedSequencesOnly) {
  const struct {
    std::string bytes;
    size_t length;  // 0: no well-formed sequence starts here
    uint32_t cp;
  } cases[] = {
      {"\xC2\x80", 2, 0x80},           {"\xDF\xBF", 2, 0x7FF},
      {"\xE0\xA0\x80", 3, 0x800},      {"\xED\x9F\xBF", 3, 0xD7FF},
      {"\xEE\x80\x80", 3, 0xE000},     {"\xEF\xBF\xBF", 3, 0xFFFF},
      {"\xF0\x90\x80\x80", 4, 0x10000}, {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
      // Overlong forms, surrogates, past U+10FFFF, lone continuation and invalid leads.
      {"\xC0\xAF", 0, 0},  {"\xC1\xBF", 0, 0},  {"\xE0\x9F\xBF", 0, 0},
      {"\xF0\x8F\xBF\xBF", 0, 0}, {"\xED\xA0\x80", 0, 0}, {"\xED\xBF\xBF", 0, 0},
      {"\xF4\x90\x80\x80", 0, 0}, {"\xF5\x80\x80\x80", 0, 0}, {"\xFF", 0, 0},
      {"\x80", 0, 0},      {"\xBF", 0, 0},
      // Truncated, or interrupted by a byte that continues nothing.
      {"\xE6\x97", 0, 0},  {"\xF0\x9F\x98", 0, 0}, {"\xC3", 0, 0}, {"\xE6\x41\xA5", 0, 0},
      {"\xF0\x9F\xC3\xA9", 0, 0},
  };
  for (const auto& c : cases) {
    uint32_t cp = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(c.bytes.data());
    EXPECT_EQ(DecodeUtf8Sequence(s, c.bytes.size(), cp), c.length) << ::testing::PrintToString(c.bytes);
    if (c.length != 0) {
      EXPECT_EQ(cp, c.cp);
      char back[4];
      EXPECT_EQ(std::string(back, EncodeUtf8(cp, back)), c.bytes);
    }
  }
}

TEST(Utf8Test, AutoSelect) {
  const struct {
    std::string raw;
    EncodingChoice expected;
  } cases[] = {
      // A byte order mark decides alone, whatever the head declares.
      {"\xEF\xBB\xBF<head><meta charset=koi8-r></head>\xFF", kUtf8},
      {"\xEF\xBB\xBF", kUtf8},
      // The head's tokens; the last recognised one wins.
      {"<head><meta charset=UTF-8></head>", kUtf8},
      {"<HEAD><meta content=\"text/html; CHARSET=Utf8\"></head>abc", kUtf8},
      {"<head><meta charset=utf-8><meta charset=koi8-r></head>", {MapKoi8r, true, false}},
      {"<head><meta charset=windows-1251><meta charset=utf8></head>", kUtf8},
      // Declaration and bytes disagree: the declaration wins.
      {"<head><meta charset=iso-8859-1></head><p>caf\xC3\xA9", kLatin},
      {"<head><meta charset=utf-8></head><p>caf\xE9", kUtf8},
      // Nothing recognised: UTF-8 when the bytes are well-formed and go beyond ASCII.
      {"<p>caf\xC3\xA9 \xE6\x97\xA5", kUtf8},
      {"<head><meta charset=windows-1252></head><p>\xD0\x96", kUtf8},
      {"<p>plain ASCII", kLatin},
      {"<p>caf\xE9", kLatin},
      {"<p>\xD0\x96 then \xC3", kLatin},       // truncated at the end
      {"<p>\xC0\xAF overlong", kLatin},
      {"<p>\xED\xA0\x80 surrogate", kLatin},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseEncoding(VELLUMINE_ENCODING_AUTO, c.raw.data(), c.raw.size()), c.expected)
        << ::testing::PrintToString(c.raw);
  }
  EXPECT_EQ(ChooseEncoding(VELLUMINE_ENCODING_UTF_8, "<p>\xE9", 4), kUtf8);
  EXPECT_EQ(ChooseEncoding(VELLUMINE_ENCODING_ISO_8859_1, "<p>\xC3\xA9", 5), kLatin);
}

// The text after the first 0x1A is not read, so it cannot spoil the UTF-8 check.
TEST(Utf8Test, DetectionStopsAtTheEndOfTheText) {
  const std::string page = "<p>\xD0\x96\x1A\xFF";
  MemoryOutputStream out(true);
  ASSERT_EQ(ConvertMemory(page.data(), page.size(), OptionsFor(ConversionMode::Text), out),
            VELLUMINE_OK);
  EXPECT_EQ(out.str(), "\r\n\xD0\x96");
}

std::string RtfUtf8(const std::string& html) {
  testing::RtfRunOptions options;
  options.utf8 = true;
  return testing::TranslateRtf(html, options).text;
}

TEST(Utf8Test, RtfCharacters) {
  const testing::BodyCase cases[] = {
      // Latin-1 characters as "\'hh", every other one in the Unicode form.
      {"<x>caf\xC3\xA9 \xC2\xA0", "caf\\'e9 \\'a0"},
      {"<x>\xD0\x96\xE6\x97\xA5\xEF\xBF\xBF", "\\u1046?\\u26085?\\u-1?"},
      {"<x>\xF0\x9F\x98\x80!", "\\u-10179?\\u-8704?!"},
      {"<x>\xC2\x85\xC2\x9F", "\\u133?\\u159?"},
      // A byte that starts no sequence is its windows-1252 character, and the next byte is
      // looked at afresh; five bytes keep their own value.
      {"<x>\x80\x9F\xE9x", "\\u8364?\\u376?\\'e9x"},
      {"<x>\x81\x8D\x8F\x90\x9D", "\\u129?\\u141?\\u143?\\u144?\\u157?"},
      {"<x>\xC0\xAF", "\\'c0\\'af"},                         // overlong
      {"<x>\xED\xA0\x80", "\\'ed\\'a0\\u8364?"},            // a surrogate
      {"<x>\xF4\x90\x80\x80", "\\'f4\\u144?\\u8364?\\u8364?"},  // past U+10FFFF
      {"<x>\xE6\x97", "\\'e6\\u8212?"},                     // truncated by the end
      {"<x>\xE6\x97<b>", "\\'e6\\u8212?{\\b "},
      // The usual effects of a text byte: no break pending, centred text written.
      {"<p>\xD0\x96<p>x", testing::kBreak + "\\u1046?" + testing::kBreak + "x"},
      {"<center>\xD0\x96</center>", "\\qc \\u1046?"},
      // In a preformatted block Latin-1 characters are the bytes themselves.
      {"<pre>\xC3\xA9  \xD0\x96\n\x80</pre>", "\xE9  \\u1046?\\par\n\\u8364?"},
      // An entity's run written back is decoded within the run, in the block's form.
      {"<x>&\xD0\x96x;y", "\\u1046?xy"},
      {"<x>&{\xC3\xA9;", "\\{\\'e9"},
      {"<x>a<pre>&\xC3\xA9\xD0\x96;</pre>", "a\xE9\\u1046?"},
  };
  for (const auto& c : cases) EXPECT_EQ(RtfUtf8(c.html), c.expected) << ::testing::PrintToString(c.html);
  // Without the UTF-8 flag nothing changes: a Latin page's run keeps its bytes.
  EXPECT_EQ(testing::Body("<x>&\xD0\x96x;\xC3\xA9"), "\xD0\x96x\\'c3\\'a9");
}

// The same page saved as ISO-8859-1 and as UTF-8 gives the same RTF.
TEST(Utf8Test, LatinAndUtf8PagesGiveTheSameRtf) {
  const std::string body = "<p>Caf\xE9 na\xEFve \xA0\xFF &eacute; <pre>\xE0 la</pre><b>\xC9t\xE9</b>";
  std::string utf8;
  for (unsigned char c : body) {
    char bytes[4];
    utf8.append(bytes, EncodeUtf8(c, bytes));
  }
  for (ConversionMode mode : {ConversionMode::Rtf, ConversionMode::RtfTables}) {
    std::string outputs[2];
    int i = 0;
    for (const std::string& page : {"<head><meta charset=iso-8859-1></head>" + body,
                                    "<head><meta charset=utf-8></head>" + utf8}) {
      MemoryOutputStream out(true);
      ASSERT_EQ(ConvertMemory(page.data(), page.size(), OptionsFor(mode), out),
                VELLUMINE_OK);
      outputs[i++] = out.str();
    }
    EXPECT_EQ(outputs[0], outputs[1]);
  }
}

std::string Text(const std::string& html, const EncodingChoice& encoding) {
  ProgressTicks ticks;
  ticks = ProgressTicks(html.size(), {});
  ByteBuffer body;
  EXPECT_TRUE(body.Allocate(html.size() + 1));  // the pass reserves what it needs itself
  TranslateToText({html.data(), html.size(), encoding, ticks}, body);
  return std::string(body.view());
}

TEST(Utf8Test, PlainTextIsUtf8) {
  const struct {
    std::string html, text;
  } cases[] = {
      {"<x>caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
      {"<x>\xE9\x80 \x81", "\xC3\xA9\xE2\x82\xAC \xC2\x81"},
      {"<x>\xE6\x97", "\xC3\xA6\xE2\x80\x94"},
      // A character is a visible byte for the white-space rule.
      {"<x>\xD0\x96  \t\xD0\x96", "\xD0\x96 \xD0\x96"},
      {"<x>a<p>\xD0\x96", "a\n\xD0\x96"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(c.html, kUtf8), c.text) << ::testing::PrintToString(c.html);

  // A long run of stray bytes (each a character of up to three bytes) fits the body, and is
  // valid UTF-8 there. (The fast-path models cover stray bytes among other text.)
  const std::string text = Text("<x>" + std::string(5000, '\x80'), kUtf8);
  EXPECT_EQ(text.size(), 15000u);
  EXPECT_TRUE(IsWellFormedUtf8(text.data(), text.size()));
}

// Every byte of a character is a step that progress reporting sees: all 50 ticks fire.
TEST(Utf8Test, TicksInsideCharactersFire) {
  std::string html = "<x>";
  while (html.size() < 30000) html += "\xD0\x96\xE6\x97\xA5\xF0\x9F\x98\x80 ";
  testing::RtfRunOptions options;
  options.utf8 = true;
  options.ticks = true;
  EXPECT_EQ(testing::TranslateRtf(html, options).ticksShown, 50);

  ProgressTicks ticks;
  ticks = ProgressTicks(html.size(), {});
  ByteBuffer body;
  ASSERT_TRUE(body.Allocate(1));
  TranslateToText({html.data(), html.size(), kUtf8, ticks}, body);
  EXPECT_EQ(ticks.passed(), 50);
}

void ExpectEntity(const std::string& text, bool cyrillic, const std::string& expected,
                  size_t used) {
  EntityResult result;
  EXPECT_EQ(EscapeEntity(text.data(), 0, text.size(), result, cyrillic), used) << text;
  EXPECT_EQ(result.view(), expected) << text;
}

// HTML's names beyond the table, in RTF, as "&#c;" writes each character they name.
TEST(NamedReferencesTest, Rtf) {
  const struct {
    const char* text;
    bool cyrillic;
    const char* expected;
    size_t used;
  } cases[] = {
      {"&mdash;", false, "\\u8212?", 6},   {"&ndash;", false, "\\u8211?", 6},
      {"&hellip;", false, "\\u8230?", 7},  {"&trade;", false, "\\u8482?", 6},
      {"&macr;", false, "\\'af", 5},       {"&hibar;", false, "\\'af", 6},
      {"&frac12;", false, "\\'bd", 7},     {"&plusmn;", false, "\\'b1", 7},
      {"&apos;", false, "\\'27", 5},       {"&lbrace;", false, "\\'7b", 7},
      {"&excl;", true, "\\f99\\'21", 5},   {"&mdash;", true, "\\u8212?", 6},
      {"&Kopf;", false, "\\u-10187?\\u-8894?", 5},
      {"&nvlt;", false, "\\'3c\\u8402?", 5},  // two characters
      {"&Tab;", false, " ", 4},            {"&NewLine;", false, " ", 8},
      {"&mdash x", false, "\\u8212?", 6},  // ended by a blank
      {"&Mdash;", false, "Mdash", 6},      // case matters
      {"&ContourIntegral;", false, "&", 0},  // ten bytes or more: no reference
  };
  for (const auto& c : cases) ExpectEntity(c.text, c.cyrillic, c.expected, c.used);
}

TEST(NamedReferencesTest, PlainTextInEveryOutputSet) {
  const struct {
    std::string reference;
    std::string latin, cyrillic, utf8;
  } cases[] = {
      {"&eacute;", "\xE9", "", "\xC3\xA9"},  // windows-1251 lacks it
      {"&Eacute;", "\xC9", "", "\xC3\x89"},
      {"&euro;", "\x80", "\x88", "\xE2\x82\xAC"},
      {"&mdash;", "\x97", "\x97", "\xE2\x80\x94"},
      {"&rsquo;&ldquo;", "'\"", "'\"", "'\""},
      {"&#x416;", "", "\xC6", "\xD0\x96"},        // only windows-1251 and UTF-8 have it
      {"&ZHcy;", "", "\xC6", "\xD0\x96"},
      {"&#150;", "\x96", "\x96", "\xE2\x80\x93"},  // 0x80 to 0x9F read as windows-1252
      {"&#x9f;", "\x9F", "", "\xC5\xB8"},  // windows-1251 lacks it
      {"&#x1F600;", "", "", "\xF0\x9F\x98\x80"},
      {"&#x110000;&#xD800;", "", "", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"&nvlt;", "<", "<", "<\xE2\x83\x92"},
      {"&frac12;&fraq12;&copy;", "\xBD\xBD\xA9", "\xA9", "\xC2\xBD\xC2\xBD\xC2\xA9"},
      {"&apos;&amp;&#65;", "'&A", "'&A", "'&A"},
      // Control characters removed; tab and line feed are white space, like nbsp.
      {"&#127;&#129;&#x8D;&#1;", "", "", ""},
      {"&#x85;", "\x85", "\x85", "\xE2\x80\xA6"},  // windows-1252's ellipsis
      {"a&Tab;&NewLine;&#9;&#10;&nbsp;b", "a b", "a b", "a b"},
      {"&unknown;&Mdash;", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reference);
    EXPECT_EQ(Text("<x>" + c.reference, kLatin), c.latin);
    EXPECT_EQ(Text("<x>" + c.reference, kCyrillic), c.cyrillic);
    EXPECT_EQ(Text("<x>" + c.reference, kUtf8), c.utf8);
  }
}

// Text asked for in UTF-8 is the page's text recoded, however long the body, and however
// it reaches the output (in pieces, the halves of a long page); its references are in both
// sets here.
TEST(Utf8Test, TextAskedForInUtf8IsTheTextRecoded) {
  const std::string pages[] = {
      "<p>caf\xE9 \x80 &mdash; na\xEFve ",
      "<head><meta charset=koi8-r></head><p>\xF0\xD2\xC9\xD7\xC5\xD4 \xE1\xC2 ",
  };
  for (const std::string& start : pages) {
    std::string html = start;
    while (html.size() < 3 * kStreamPiece) html += "<br>caf\xE9 \xF0\xD2\xC9 word<p>x &mdash; ";
    MemoryOutputStream asRead;
    MemoryOutputStream asUtf8;
    vellumine_options options = OptionsFor(ConversionMode::Text);
    ASSERT_EQ(ConvertMemory(html.data(), html.size(), options, asRead), VELLUMINE_OK);
    options.text_utf8 = 1;
    ASSERT_EQ(ConvertMemory(html.data(), html.size(), options, asUtf8), VELLUMINE_OK);
    const bool cyrillic = start.find("koi8") != std::string::npos;
    const std::string& text = asRead.str();
    std::string recoded;
    for (char c : text) {
      char utf8[3];
      recoded.append(utf8, EncodeWindowsByteAsUtf8(static_cast<unsigned char>(c), cyrillic, utf8));
    }
    EXPECT_GT(text.size(), kStreamPiece);
    // (Compared as a whole: a difference between texts this long is not worth printing.)
    EXPECT_TRUE(asUtf8.str() == recoded) << start;
  }
}

}  // namespace
}  // namespace vellumine
