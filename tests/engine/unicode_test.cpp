// UTF-8 pages in RTF and plain text, and plain text asked for in UTF-8.
#include "engine_test_util.h"
#include "translation/utf8.h"

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

// The text after the first 0x1A is not read, so it cannot spoil the UTF-8 check.
TEST(Utf8Test, DetectionStopsAtTheEndOfTheText) {
  EXPECT_EQ(ConvertInMemory("<p>\xD0\x96\x1A\xFF", OptionsFor(ConversionMode::Text)).out,
            "\r\n\xD0\x96");
}

}  // namespace
}  // namespace vellumine::testing
