// UTF-8 pages in RTF and plain text, and plain text asked for in UTF-8.
#include "engine_test_util.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine::testing {
namespace {

TEST(Utf8Test, RtfCharacters) {
  ExpectBodies({
      // Latin-1 characters as "\'hh", every other one in the Unicode form.
      {"<x>caf\xC3\xA9 \xC2\xA0", "caf\\'e9 \\'a0"}, {"<x>\xC2\x85\xC2\x9F", "\\u133?\\u159?"},
      {"<x>\xD0\x96\xE6\x97\xA5\xEF\xBF\xBF", "\\u1046?\\u26085?\\u-1?"},
      {"<x>\xF0\x9F\x98\x80!", "\\u-10179?\\u-8704?!"},
      // A byte that starts no sequence is its windows-1252 character, and the next byte is
      // looked at afresh; five bytes keep their own value.
      {"<x>\x80\x9F\xE9x", "\\u8364?\\u376?\\'e9x"},
      {"<x>\x81\x8D\x8F\x90\x9D", "\\u129?\\u141?\\u143?\\u144?\\u157?"},
      {"<x>\xC0\xAF", "\\'c0\\'af"}, {"<x>\xED\xA0\x80", "\\'ed\\'a0\\u8364?"},
      {"<x>\xF4\x90\x80\x80", "\\'f4\\u144?\\u8364?\\u8364?"}, {"<x>\xE6\x97", "\\'e6\\u8212?"},
      {"<center>\xD0\x96</center>", "\\qc \\u1046?"},  // a character is text
      // In a preformatted block Latin-1 characters are the bytes themselves.
      {"<pre>\xC3\xA9  \xD0\x96\n\x80</pre>", "\xE9  \\u1046?\\par\n\\u8364?"},
      // An entity's run written back is decoded within the run, in the block's form.
      {"<x>&\xD0\x96x;y", "\\u1046?xy"}, {"<x>&{\xC3\xA9;", "\\{\\'e9"},
      {"<x>a<pre>&\xC3\xA9\xD0\x96;</pre>", "a\xE9\\u1046?"},
  }, {.encoding = kUtf8});
  // Without the UTF-8 flag nothing changes: a Latin page's run keeps its bytes.
  EXPECT_EQ(Body("<x>&\xD0\x96x;\xC3\xA9"), "\xD0\x96x\\'c3\\'a9");
  // A long run of stray bytes (each a character of up to three bytes) fits the plain-text
  // body, and is valid UTF-8 there.
  const std::string text = Text("<x>" + std::string(5000, '\x80'), kUtf8);
  EXPECT_EQ(text.size(), 15000u);
  EXPECT_TRUE(IsWellFormedUtf8(text.data(), text.size()));
}

// The same page saved as ISO-8859-1 and as UTF-8 gives the same RTF.
TEST(Utf8Test, LatinAndUtf8PagesGiveTheSameRtf) {
  const std::string body = "<p>Caf\xE9 na\xEFve \xA0\xFF &eacute; <pre>\xE0 la</pre><b>\xC9t\xE9";
  std::string utf8;
  for (unsigned char c : body) {
    char bytes[4];
    utf8.append(bytes, EncodeUtf8(c, bytes));
  }
  for (ConversionMode mode : {ConversionMode::Rtf, ConversionMode::RtfTables}) {
    Converted latin = ConvertInMemory("<head><meta charset=latin1></head>" + body,
                                      OptionsFor(mode));
    Converted same = ConvertInMemory("<head><meta charset=utf-8></head>" + utf8, OptionsFor(mode));
    EXPECT_EQ(latin.result + same.result, VELLUMINE_OK);
    EXPECT_EQ(latin.out, same.out);
  }
  // The text after the first 0x1A is not read, so it cannot spoil the UTF-8 check.
  EXPECT_EQ(ConvertInMemory("<p>\xD0\x96\x1A\xFF", OptionsFor(ConversionMode::Text)).out,
            "\r\n\xD0\x96");
}

// Text asked for in UTF-8 is the page's text recoded, however long the body, and however
// it reaches the output (in pieces, the halves of a long page); its references are in both
// sets here.
TEST(Utf8Test, TextAskedForInUtf8IsTheTextRecoded) {
  for (std::string html : {"<p>caf\xE9 \x80 &mdash; na\xEFve ",
                           "<head><meta charset=koi8></head><p>\xF0\xD2\xC9\xD7 \xE1\xC2 "}) {
    const bool cyrillic = html.find("koi8") != std::string::npos;
    while (html.size() < 3 * kStreamPiece) html += "<br>caf\xE9 \xF0\xD2\xC9 word<p>x &mdash; ";
    vellumine_options options = OptionsFor(ConversionMode::Text);
    const std::string text = ConvertInMemory(html, options).out;
    options.text_utf8 = 1;
    const Converted asUtf8 = ConvertInMemory(html, options);
    std::string recoded;
    for (char c : text) {
      char utf8[3];
      recoded.append(utf8, EncodeWindowsByteAsUtf8(static_cast<unsigned char>(c), cyrillic, utf8));
    }
    EXPECT_GT(text.size(), kStreamPiece);
    // (Compared as a whole: a difference between texts this long is not worth printing.)
    EXPECT_TRUE(asUtf8.result == VELLUMINE_OK && asUtf8.out == recoded) << cyrillic;
  }
}

}  // namespace
}  // namespace vellumine::testing
