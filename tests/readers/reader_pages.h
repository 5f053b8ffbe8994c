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

// The lines of a file, or none where there is no file.
inline std::vector<std::string> LinesOf(const std::string& path) {
  const std::string text = ReadBytes(path);
  std::vector<std::string> lines;
  for (size_t at = 0, end; text != "<missing>" && at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

// The example pages, and the pages of tests/readers/data, which broke documents in readers:
// stray closers, unclosed groups and rows, references beyond Latin-1, text glued to a control
// word, UTF-8 pages; each with the texts beyond ASCII it must show, in <page>.shows.
inline std::vector<Page> Pages() {
  std::vector<Page> pages;
  for (const char* dir : {"/examples", "/tests/readers/data"}) {
    for (const auto& entry : fs::directory_iterator(VELLUMINE_SOURCE_DIR + std::string(dir))) {
      const fs::path path = entry.path();
      const std::string ext = path.extension().string();
      if (ext != ".htm" && ext != ".html" && ext != ".asp") continue;
      pages.push_back({path.stem().string(), ReadBytes(path.string()),
                       LinesOf(fs::path(path).replace_extension(".shows").string())});
    }
  }
  EXPECT_GE(pages.size(), 17u) << "pages missing";
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
