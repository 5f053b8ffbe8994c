// Every example page and a few pathological ones, converted in both RTF modes and both
// readings and read back
// by LibreOffice: the reader must show every word of the page, in order (so nothing after a
// stray closer, an unclosed group or row, or a control word is lost), and every character.

#include <cstdlib>

#include "reader_pages.h"

namespace vellumine::testing {

// Converts every page in both modes and readings, lets one reader process read them all,
// and checks what it shows.
TEST(ReadersTest, EveryWordOfEveryPageInOrder) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "soffice is not installed (apt-get install libreoffice-writer-nogui)";
  TempDirectory work;
  const fs::path dir = work.bare();
  fs::create_directories(dir / "out");
  const std::vector<Page> pages = Pages();
  std::string files;
  for (const Page& page : pages) {
    for (const Document& document : ConvertPage(page)) {
      const fs::path rtf = dir / (document.name + ".rtf");
      std::ofstream(rtf, std::ios::binary) << document.rtf;
      files += " '" + rtf.string() + "'";
    }
  }
  const std::string command = "cd '" + dir.string() + "' && soffice -env:UserInstallation=file://" +
                              (dir / "profile").string() + " --headless --convert-to txt:Text --outdir '" +
                              (dir / "out").string() + "'" + files + " > soffice.log 2>&1";
  const bool ran = std::system(command.c_str()) == 0;
  EXPECT_TRUE(ran) << ReadBytes((dir / "soffice.log").string());
  for (const Page& page : pages) {
    for (const Document& document : ConvertPage(page)) {
      SCOPED_TRACE(document.name);
      ExpectReaderShows(page, ReadBytes((dir / "out" / (document.name + ".txt")).string()));
    }
  }
}

}  // namespace vellumine::testing
