// References in plain text written in the output's own character set: on every Cyrillic
// encoding each character a reference names is either written as itself or left out, never
// as a byte that stands for another character there.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "job/convert_file.h"
#include "translation/entities.h"
#include "translation/html_entities.h"
#include "translation/output_stream.h"
#include "translation/text_references.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine {
namespace {

constexpr NamedReference kHtmlNames[] = {
#include "translation/html_entities_table.inc"
};

// The names a page may use: EntityTable's rows and HTML's names short enough to be read as
// references (eight bytes at most between "&" and ";").
std::vector<std::string> ReferenceNames() {
  std::vector<std::string> names;
  for (const EntityRow& row : EntityTable) names.emplace_back(row.name);
  for (const NamedReference& named : kHtmlNames)
    if (std::string_view(named.name).size() <= 8) names.emplace_back(named.name);
  return names;
}

// The characters a name stands for; empty when it stands for white space or a control,
// which have rules of their own.
std::vector<uint32_t> NamedCharacters(const std::string& name) {
  uint32_t cps[2] = {};
  size_t count = ResolveReference(name.data(), name.size(), cps);
  std::vector<uint32_t> characters(cps, cps + count);
  for (uint32_t cp : characters)
    if (cp < 0x20 || cp == 0x7F || cp == 0xA0 || (cp >= 0x80 && cp < 0xA0)) return {};
  return characters;
}

// What windows-1251 can hold, read off its code chart byte by byte.
bool InWindows1251(uint32_t cp) {
  for (int b = 0; b < 256; ++b)
    if (cp != 0 && Windows1251CodePoint(static_cast<unsigned char>(b)) == cp) return true;
  return false;
}

std::vector<uint32_t> DecodeWindows1251(std::string_view bytes) {
  std::vector<uint32_t> characters;
  for (char c : bytes) characters.push_back(Windows1251CodePoint(static_cast<unsigned char>(c)));
  return characters;
}

std::vector<uint32_t> DecodeUtf8(std::string_view bytes) {
  std::vector<uint32_t> characters;
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t p = 0; p < bytes.size();) {
    uint32_t cp = s[p];
    size_t length = cp < 0x80 ? 1 : DecodeUtf8Sequence(s + p, bytes.size() - p, cp);
    if (length == 0) return {0xFFFFFFFF};  // not UTF-8: matches nothing expected
    characters.push_back(cp);
    p += length;
  }
  return characters;
}

// The text of each "&name;<br>" of one page, in order.
std::vector<std::string> ConvertEach(const std::string& head, const std::vector<std::string>& names,
                                     vellumine_encoding encoding, bool utf8) {
  std::string page = head + "<x>";  // text starts after a tag
  for (const std::string& name : names) page += "&" + name + ";<br>";
  MemoryOutputStream out;
  vellumine_options options = OptionsFor(ConversionMode::Text);
  options.encoding = encoding;
  options.text_utf8 = utf8;
  EXPECT_EQ(ConvertMemory(page.data(), page.size(), options, out), VELLUMINE_OK);
  const std::string text = out.str();
  std::vector<std::string> pieces;
  size_t from = 0;
  for (size_t bar; (bar = text.find('\n', from)) != std::string::npos; from = bar + 1)
    pieces.push_back(text.substr(from, bar - from));
  return pieces;
}

struct CyrillicPage {
  vellumine_encoding encoding;
  std::string head;
};

const CyrillicPage kCyrillicPages[] = {
    {VELLUMINE_ENCODING_WINDOWS_1251, ""},
    {VELLUMINE_ENCODING_KOI8_R, ""},
    {VELLUMINE_ENCODING_ISO_8859_5, ""},
    {VELLUMINE_ENCODING_AUTO, "<head><meta charset=koi8-r></head>"},
    {VELLUMINE_ENCODING_AUTO,
     "<head><meta http-equiv=Content-Type content=\"text/html; charset=iso-8859-5\"></head>"},
};

TEST(TextReferenceSetsTest, CyrillicTextHoldsOnlyTheNamedCharacters) {
  const std::vector<std::string> names = ReferenceNames();
  ASSERT_GT(names.size(), 1000u);
  for (const CyrillicPage& page : kCyrillicPages) {
    SCOPED_TRACE(std::to_string(page.encoding) + " " + page.head);
    const std::vector<std::string> texts = ConvertEach(page.head, names, page.encoding, false);
    ASSERT_EQ(texts.size(), names.size());
    size_t kept = 0;
    for (size_t i = 0; i < names.size(); ++i) {
      const std::vector<uint32_t> named = NamedCharacters(names[i]);
      if (named.empty()) continue;
      std::vector<uint32_t> expected;
      for (uint32_t cp : named)
        if (cp < 0x80 || InWindows1251(cp)) expected.push_back(cp);
      kept += !expected.empty();
      EXPECT_EQ(DecodeWindows1251(texts[i]), expected) << "&" << names[i] << ";";
    }
    EXPECT_GT(kept, 150u);  // the Cyrillic letters, the quotes, dashes and signs
  }
}

TEST(TextReferenceSetsTest, Utf8TextOfACyrillicPageHoldsEveryNamedCharacter) {
  const std::vector<std::string> names = ReferenceNames();
  for (const CyrillicPage& page : kCyrillicPages) {
    SCOPED_TRACE(std::to_string(page.encoding) + " " + page.head);
    const std::vector<std::string> texts = ConvertEach(page.head, names, page.encoding, true);
    ASSERT_EQ(texts.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
      const std::vector<uint32_t> named = NamedCharacters(names[i]);
      if (named.empty()) continue;
      EXPECT_EQ(DecodeUtf8(texts[i]), named) << "&" << names[i] << ";";
    }
  }
}

// The page's own letters beside references: a KOI8-R page's text and its references agree in
// both output sets.
TEST(TextReferenceSetsTest, PageTextAndReferencesTogether) {
  const std::string page = "<p>\xF0\xD2\xC9\xD7\xC5\xD4 &frac12; &eacute;&#200;&AElig; &ZHcy;&copy;";
  const struct {
    bool utf8;
    std::string expected;
  } cases[] = {
      {false, "\xCF\xF0\xE8\xE2\xE5\xF2 \xC6\xA9"},  // "Привет Ж©"
      {true, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xC2\xBD \xC3\xA9\xC3\x88\xC3\x86 "
             "\xD0\x96\xC2\xA9"},
  };
  for (const auto& c : cases) {
    MemoryOutputStream out;
    vellumine_options options = OptionsFor(ConversionMode::Text);
    options.encoding = VELLUMINE_ENCODING_KOI8_R;
    options.text_utf8 = c.utf8;
    ASSERT_EQ(ConvertMemory(page.data(), page.size(), options, out), VELLUMINE_OK);
    EXPECT_EQ(out.str(), "\n" + c.expected) << c.utf8;
  }
}

}  // namespace
}  // namespace vellumine
