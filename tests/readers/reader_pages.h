// What the readers tests share: the pages, their conversion, and the check of what a reader
// shows (every word of the page in order, the characters beyond ASCII as they are).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>

#include "job/convert_file.h"
#include "temp_directory.h"
#include "translation/encoding.h"
#include "translation/output_stream.h"
#include "translation/prepare_text.h"

namespace vellumine::testing {

namespace fs = std::filesystem;

struct Page {
  std::string name;  // file stem of the converted documents
  std::string html;
  std::vector<std::string> shows = {};  // texts beyond ASCII the reader must show as they are
};

// The example pages, and pages that broke documents in readers: stray closers, unclosed
// groups and rows, references beyond Latin-1, text glued to a control word.
inline std::vector<Page> Pages() {
  std::string bolds = "<html><body><p>";
  for (int i = 1; i <= 20; ++i) bolds += "<b>bold" + std::to_string(i) + " ";
  std::vector<Page> pages = {
      {"stray-closers",
       "<html><body><p>alpha</sub> bravo</sup> charlie</h3> delta</b> echo</strong> foxtrot"
       "</h1>golf</sub>hotel</center> india</td> juliet</tr> kilo</table> lima</p>mike"},
      {"twenty-bolds", bolds + "<p>tail after twenty bolds</body></html>"},
      {"unclosed-row", "<html><body><table><tr><td>alpha<td>bravo</table><p>charlie after the table"
       "<table><tr><td>delta<td>echo"},
      {"cyrillic-references",  // "Привет world мир"
       "<html><body><p>&#1055;&#1088;&#1080;&#1074;&#1077;&#1090; world &#x43C;&#x438;&#x440;",
       {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 world \xD0\xBC\xD0\xB8\xD1\x80"}},
      {"emoji-reference", "<html><body><p>smile &#x1F600; done &#128512; end",
       {"smile \xF0\x9F\x98\x80 done \xF0\x9F\x98\x80 end"}},
      // UTF-8 pages, declared and found by their bytes: every character as it is.
      {"utf8-declared", "<html><head><meta charset=\"utf-8\"></head><body><p>Café — “quotes”, "
       "Привет, Γειά, 日本語, 😀 &mdash; &hellip; &trade; &frac12; &macr;x</p>"
       "<pre>Ελληνικά été\n日本</pre><p>après",
       {"Café — “quotes”, Привет, Γειά, 日本語, 😀 — … ™ ½ ¯x", "Ελληνικά été", "日本",
        "après"}},
      {"utf8-undeclared", "<html><body><center>Straße · Ωμέγα · 中文 · 🎒</center><p>4&ndash;6 cm",
       {"Straße · Ωμέγα · 中文 · 🎒", "4–6 cm"}},
      {"text-after-control-words", "<html><body><table>Caption<tr><td>alpha</td>bravo<td>charlie"
       "</td></tr><tr>123<td>delta</td>-5<td>echo</td></tr></table></body></html>"}};
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(VELLUMINE_SOURCE_DIR "/examples", error)) {
    std::string ext = entry.path().extension().string();
    if (ext == ".htm" || ext == ".html" || ext == ".asp")
      pages.push_back({entry.path().stem().string(), ReadBytes(entry.path().string())});
  }
  return pages;
}

// The ASCII words a browser would show (blocks without text removed, tags and comments
// dropped, references and every other byte taken as separators, nothing before the first
// tag) are looked for in order in what the reader shows; returns the first missing, or "".
inline std::string FirstMissingWord(const std::string& html, const std::string& read) {
  std::string text(html.size(), '\0');
  text.resize(PrepareText(html.data(), html.size(), text.data()));
  auto isWord = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  size_t at = 0;
  for (size_t p = std::min(text.find('>'), text.size() - 1) + 1, end; p < text.size(); p = end) {
    end = p + 1;
    if (text.compare(p, 4, "<!--") == 0) {
      end = std::min(text.find("-->", p), text.size() - 3) + 3;
    } else if (text[p] == '<') {
      end = std::min(text.find('>', p), text.size() - 1) + 1;
    } else if (text[p] == '&') {
      size_t semicolon = text.find_first_of("; ", p);
      if (semicolon != std::string::npos && semicolon - p <= 10) end = semicolon + 1;
    } else if (isWord(text[p])) {
      while (end < text.size() && isWord(text[end])) ++end;
      const std::string word = text.substr(p, end - p);
      size_t found = read.find(word, at);
      if (found == std::string::npos) return word + " (after offset " + std::to_string(at) + ")";
      at = found + word.size();
    }
  }
  return "";
}

// The RTF documents of a page: each RTF mode in each reading, with a name for each.
struct Document {
  std::string name;
  std::string rtf;
};
inline std::vector<Document> ConvertPage(const Page& page) {
  std::vector<Document> documents;
  for (vellumine_reading reading : {VELLUMINE_READING_DEFAULT, VELLUMINE_READING_CLASSIC}) {
    for (ConversionMode mode : {ConversionMode::Rtf, ConversionMode::RtfTables}) {
      vellumine_options options = OptionsFor(mode);
      options.reading = reading;
      MemoryOutputStream out(true);
      EXPECT_EQ(ConvertMemory(page.html.data(), page.html.size(), options, out), VELLUMINE_OK);
      documents.push_back({page.name + (mode == ConversionMode::Rtf ? ".rtf" : ".tables") +
                               (reading == VELLUMINE_READING_CLASSIC ? ".classic" : ""),
                           out.str()});
    }
  }
  return documents;
}

// Checks what a reader shows of a page's document (as UTF-8): every word in order;
// references above 255 and UTF-8 pages as the characters themselves; no character read as
// the bytes of another encoding; Cyrillic pages as Cyrillic letters, Latin-1 pages with
// accents.
inline void ExpectReaderShows(const Page& page, std::string read) {
  if (read.starts_with("\xEF\xBB\xBF")) read.erase(0, 3);
  ASSERT_FALSE(read.empty()) << "the reader shows nothing";
  EXPECT_EQ(FirstMissingWord(page.html, read), "") << read;
  for (const std::string& shown : page.shows)
    EXPECT_NE(read.find(shown), std::string::npos) << shown << "\n" << read;
  for (const char* mojibake : {"\xC3\x83", "\xC3\xA2\xE2\x82\xAC", "\xC3\x90"})
    EXPECT_EQ(read.find(mojibake), std::string::npos) << read;
  const EncodingChoice encoding =
      ChooseEncoding(VELLUMINE_ENCODING_AUTO, page.html.data(), page.html.size());
  // The pages with references have no high bytes.
  if (encoding.utf8 || std::none_of(page.html.begin(), page.html.end(),
                                    [](char c) { return static_cast<unsigned char>(c) >= 0xC0; }))
    return;
  // UTF-8 lead bytes: 0xD0 and 0xD1 start Cyrillic letters, 0xC3 Latin-1 letters.
  size_t letters = 0;
  for (unsigned char c : read) letters += encoding.cyrillic ? (c == 0xD0 || c == 0xD1) : c == 0xC3;
  EXPECT_GE(letters, 10u) << read;
}

}  // namespace vellumine::testing
