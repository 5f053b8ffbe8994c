// Character references: fixed forms, numeric and named runs in RTF, EntityTable's rows (in
// plain text in every output set: the text-references- pages of data/translation); and on
// every Cyrillic encoding each character a reference names either written as itself or left
// out, never as a byte that stands for another character there.
#include <cstring>

#include "engine_test_util.h"
#include "translation/entities.h"
#include "translation/html_entities.h"
#include "translation/text_references.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine::testing {

// The text from the ampersand, the replacement, where the case is written, and the bytes
// after the ampersand that belong to the reference.
struct EntityCase { std::string text; bool cyrillic; std::string expected, where; size_t used; };

void ExpectEntity(const EntityCase& c) {
  EntityResult result;
  const size_t used = EscapeEntity(c.text.data(), 0, c.text.size(), result, c.cyrillic);
  EXPECT_EQ(std::string(result.view()) + "|" + std::to_string(used),
            c.expected + "|" + std::to_string(c.used)) << c.where << " " << c.text;
}

// The fixed forms, numeric and named references and runs of data/cases/entities.tsv.
TEST(EscapeEntityTest, FormsNumbersNamesAndRuns) {
  for (const Row& r : Rows("entities.tsv", 4))
    ExpectEntity(
        {r.fields[0], r.fields[1] == "true", r.fields[2], r.where, std::stoul(r.fields[3])});
}

// Bytes at or past the length never match, whatever follows them in memory.
TEST(EscapeEntityTest, BytesPastTheLengthNeverMatch) {
  for (const Row& r : Rows("entity-cuts.tsv", 4)) {  // in "a&nbsp;&#233;&eacute;"
    EntityResult result;
    const size_t used = EscapeEntity("a&nbsp;&#233;&eacute;", std::stoul(r.fields[0]),
                                     std::stoul(r.fields[1]), result, false);
    EXPECT_EQ(used, std::stoul(r.fields[3])) << r.where;
    EXPECT_EQ(result.view(), r.fields[2]) << r.where;
  }
}

// The rows against a code chart, each name standing for the character HTML gives it (where
// HTML has the name), and every name escaping to its own code.
TEST(EscapeEntityTest, TableRowsAgainstTheCodeChart) {
  ASSERT_EQ(std::size(EntityTable), 101u);
  size_t named = 0;
  for (size_t r = 0; r < 101; ++r) {
    const EntityRow& row = EntityTable[r];
    size_t code = r < 4 ? "\x22\x26\x3C\x3E"[r] : r < 100 ? 0xA0 + r - 4 : 0x80;
    EXPECT_EQ(static_cast<size_t>(row.code), code) << row.name;
    if (const NamedReference* html = FindNamedReference(row.name, std::strlen(row.name))) {
      ++named;
      EXPECT_EQ(html->first, Windows1252CodePoint(static_cast<unsigned char>(code))) << row.name;
    }
    char hex[5] = {'\\', '\'', "0123456789abcdef"[code >> 4], "0123456789abcdef"[code & 15], 0};
    for (bool cyrillic : {false, true})  // ended by the text: no fixed form
      ExpectEntity({std::string("&") + row.name, cyrillic,
                    (cyrillic ? "\\f99" : "") + std::string(hex), row.name,
                    std::strlen(row.name) + 1});
  }
  // All but the older spellings hibar, plusm, fraq14, fraq12, fraq34, Aelig and elig.
  EXPECT_EQ(named, 94u);
}

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
  std::vector<uint32_t> characters;
  for (size_t i = 0, n = ResolveReference(name.data(), name.size(), cps); i < n; ++i) {
    if (cps[i] < 0x20 || cps[i] == 0x7F || (cps[i] >= 0x80 && cps[i] <= 0xA0)) return {};
    characters.push_back(cps[i]);
  }
  return characters;
}

// Text read back: as windows-1251 byte by byte, or as UTF-8 ({0xFFFFFFFF} when it is not).
std::vector<uint32_t> Decode(std::string_view bytes, bool utf8) {
  std::vector<uint32_t> characters;
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t p = 0, length = 1; p < bytes.size(); p += length) {
    uint32_t cp = utf8 ? s[p] : Windows1251CodePoint(s[p]);
    if (utf8 && cp >= 0x80 && (length = DecodeUtf8Sequence(s + p, bytes.size() - p, cp)) == 0)
      return {0xFFFFFFFF};
    characters.push_back(cp);
    if (cp < 0x80) length = 1;
  }
  return characters;
}

// What windows-1251 can hold, read off its code chart byte by byte.
bool InWindows1251(uint32_t cp) {
  for (int b = 0; b < 256; ++b)
    if (cp != 0 && Windows1251CodePoint(static_cast<unsigned char>(b)) == cp) return true;
  return false;
}

// On each Cyrillic page (by the encoding asked for, or declared), the text of each
// "&name;<br>" in order: in the page's set, each named character in windows-1251 or left out;
// in UTF-8, every named character.
TEST(TextReferenceSetsTest, CyrillicTextHoldsOnlyTheNamedCharacters) {
  const std::vector<std::string> names = ReferenceNames();
  ASSERT_GT(names.size(), 1000u);
  for (const Row& r : Rows("cyrillic-pages.tsv", 2)) {  // the encoding asked for, a head
    std::string page = r.fields[1] + "<x>";  // text starts after a tag
    for (const std::string& name : names) page += "&" + name + ";<br>";
    for (bool utf8 : {false, true}) {
      SCOPED_TRACE(r.where + (utf8 ? " in UTF-8" : ""));
      vellumine_options options = OptionsFor(ConversionMode::Text, VELLUMINE_READING_CLASSIC);
      options.encoding = vellumine_encoding(EncodingNamed(r.fields[0]));
      options.text_utf8 = utf8;
      const Converted text = ConvertInMemory(page, options);
      ASSERT_EQ(text.result, VELLUMINE_OK);
      size_t kept = 0, from = 0;
      for (size_t i = 0, end; i < names.size(); ++i, from = end + 2) {
        ASSERT_NE(end = text.out.find("\r\n", from), std::string::npos) << i;
        const std::vector<uint32_t> named = NamedCharacters(names[i]);
        if (named.empty()) continue;
        std::vector<uint32_t> expected;
        for (uint32_t cp : named)
          if (utf8 || cp < 0x80 || InWindows1251(cp)) expected.push_back(cp);
        kept += !expected.empty();
        EXPECT_EQ(Decode(std::string_view(text.out).substr(from, end - from), utf8), expected)
            << "&" << names[i] << ";";
      }
      EXPECT_GT(kept, 150u);  // the Cyrillic letters, the quotes, dashes and signs
    }
  }
}

// The page's own letters beside references: a KOI8-R page's text and its references agree in
// both output sets.
TEST(TextReferenceSetsTest, PageTextAndReferencesTogether) {
  const std::string page = "<p>\xF0\xD2\xC9\xD7\xC5\xD4 &frac12; &eacute;&#200;&AElig; &ZHcy;&copy;";
  for (const Row& r : Rows("koi8-page-text.tsv", 2)) {  // in UTF-8 or not, the text
    vellumine_options options = OptionsFor(ConversionMode::Text, VELLUMINE_READING_CLASSIC);
    options.encoding = VELLUMINE_ENCODING_KOI8_R;
    options.text_utf8 = r.fields[0] == "yes";
    EXPECT_EQ(ConvertInMemory(page, options).out, r.fields[1]) << r.where;
  }
}

}  // namespace vellumine::testing
