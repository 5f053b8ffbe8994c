// Every example page and the pages of tests/readers/data, converted in both RTF modes and
// both readings and read back by LibreOffice: the reader must show every word of the page, in
// order (so nothing after a stray closer, an unclosed group or row, or a control word is
// lost), and every character. And links: LibreOffice's HTML of our RTF has the page's.

#include <cstdlib>
#include <regex>

#include "reader_pages.h"

namespace vellumine::testing {

// Writes the documents into dir and lets one LibreOffice process (which starts slowly) convert
// them all to `to` ("txt:Text", "html") in dir/out.
::testing::AssertionResult SofficeConverted(const fs::path& dir,
                                            const std::vector<Document>& documents,
                                            const std::string& to) {
  fs::create_directories(dir / "out");
  std::string files;
  for (const Document& document : documents) {
    const fs::path rtf = dir / (document.name + ".rtf");
    std::ofstream(rtf, std::ios::binary) << document.rtf;
    files += " '" + rtf.string() + "'";
  }
  const std::string command = "cd '" + dir.string() + "' && soffice -env:UserInstallation=file://" +
                              (dir / "profile").string() + " --headless --convert-to " + to +
                              " --outdir '" + (dir / "out").string() + "'" + files +
                              " > soffice.log 2>&1";
  if (std::system(command.c_str()) == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << ReadBytes((dir / "soffice.log").string());
}

// Converts every page in both modes and readings, lets LibreOffice read them all, and checks
// what it shows.
TEST(ReadersTest, EveryWordOfEveryPageInOrder) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "soffice is not installed (apt-get install libreoffice-writer-nogui)";
  TempDirectory work;
  const fs::path dir = work.bare();
  const std::vector<Page> pages = Pages();
  std::vector<Document> documents;
  for (const Page& page : pages)
    for (const Document& document : ConvertPage(page)) documents.push_back(document);
  EXPECT_TRUE(SofficeConverted(dir, documents, "txt:Text"));
  for (const Page& page : pages) {
    for (const Document& document : ConvertPage(page)) {
      SCOPED_TRACE(document.name);
      ExpectReaderShows(page, ReadBytes((dir / "out" / (document.name + ".txt")).string()));
    }
  }
}

// Every page converted in both RTF modes of the default reading, read by pandoc and unrtf:
// every word of the page in order. pandoc also shows every character (but those past
// U+FFFF, which it does not join from their surrogates); unrtf's text is in a character
// set of its own, so only its words are checked.
TEST(ReadersTest, PandocAndUnrtfReadEveryPage) {
  if (std::system("command -v pandoc > /dev/null 2>&1 && command -v unrtf > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "pandoc or unrtf is not installed (apt-get install pandoc unrtf)";
  TempDirectory work;
  const fs::path dir = work.bare();
  for (const Page& page : Pages()) {
    for (const Document& document : ConvertPage(page)) {
      if (document.name.find("classic") != std::string::npos) continue;
      SCOPED_TRACE(document.name);
      const fs::path rtf = dir / (document.name + ".rtf");
      std::ofstream(rtf, std::ios::binary) << document.rtf;
      const fs::path pandoc = dir / (document.name + ".pandoc.txt");
      const fs::path unrtf = dir / (document.name + ".unrtf.txt");
      ASSERT_EQ(std::system(("pandoc -f rtf -t plain --wrap=none -o '" + pandoc.string() + "' '" +
                             rtf.string() + "' 2>/dev/null").c_str()),
                0);
      Page basic = page;
      std::erase_if(basic.shows, [](const std::string& shown) {
        return std::any_of(shown.begin(), shown.end(), [](char c) { return (c & 0xF8) == 0xF0; });
      });
      ExpectReaderShows(basic, ReadBytes(pandoc.string()));
      ASSERT_EQ(std::system(("unrtf --text '" + rtf.string() + "' > '" + unrtf.string() +
                             "' 2>/dev/null").c_str()),
                0);
      EXPECT_EQ(FirstMissingWord(page.html, ReadBytes(unrtf.string())), "");
    }
  }
}

// A page of links converted in both RTF modes, saved by LibreOffice as HTML: its links are
// the page's, in order, with their addresses as the page has them (references decoded,
// relative ones resolved against the base, characters beyond ASCII percent-encoded), and
// the links that would run code are none.
TEST(ReadersTest, LinksReadBackWithThePagesAddresses) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "soffice is not installed (apt-get install libreoffice-writer-nogui)";
  const std::string data = VELLUMINE_SOURCE_DIR "/tests/readers/data/links/";
  const Page page{"links", ReadBytes(data + "links.html")};
  const std::vector<std::string> expected = LinesOf(data + "links.addresses");
  ASSERT_FALSE(expected.empty());
  TempDirectory work;
  const fs::path dir = work.bare();
  std::vector<Document> documents = ConvertPage(page);
  std::erase_if(documents, [](const Document& d) { return d.name.ends_with(".classic"); });
  ASSERT_TRUE(SofficeConverted(dir, documents, "html"));
  for (const Document& document : documents) {
    SCOPED_TRACE(document.name);
    const std::string html = ReadBytes((dir / "out" / (document.name + ".html")).string());
    std::vector<std::string> found;
    const std::string open = "<a href=\"";
    for (size_t at = html.find(open); at != std::string::npos; at = html.find(open, at + 1)) {
      const size_t begin = at + open.size();
      std::string address = html.substr(begin, html.find('"', begin) - begin);
      for (size_t amp; (amp = address.find("&amp;")) != std::string::npos;) address.replace(amp, 5, "&");
      // The reader splits a link where its formatting changes: one link, one address.
      if (found.empty() || found.back() != address) found.push_back(address);
    }
    EXPECT_EQ(found, expected) << html;
  }
}

// A page of tables (spans, borders, columns of unequal text), colours, a highlight, links, a
// lettered list, a picture and the document's title and author, converted to RTF with
// tables and saved by LibreOffice as HTML: what looks.expected says it must hold.
TEST(ReadersTest, LooksReadBackAsThePageShowsThem) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "soffice is not installed (apt-get install libreoffice-writer-nogui)";
  const std::string data = VELLUMINE_SOURCE_DIR "/tests/readers/data/looks/";
  const Page page{"looks", ReadBytes(data + "looks.html")};
  std::vector<Document> documents = ConvertPage(page);
  std::erase_if(documents, [](const Document& d) { return d.name != "looks.tables"; });
  ASSERT_EQ(documents.size(), 1u);
  TempDirectory work;
  ASSERT_TRUE(SofficeConverted(work.bare(), documents, "html"));
  const std::string html = ReadBytes((fs::path(work.bare()) / "out" / "looks.tables.html").string());
  int checked = 0;
  for (const std::string& line : LinesOf(data + "looks.expected")) {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    const std::regex pattern(line.substr(tab + 1));
    const auto found = std::distance(std::sregex_iterator(html.begin(), html.end(), pattern),
                                     std::sregex_iterator());
    EXPECT_EQ(found, std::stol(line.substr(0, tab))) << line.substr(tab + 1);
    ++checked;
  }
  EXPECT_GT(checked, 10);
}

}  // namespace vellumine::testing
