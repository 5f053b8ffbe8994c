// Every example page and a few pathological ones, converted in both RTF modes and read back
// by LibreOffice: the reader must show every word of the page, in order (so nothing after a
// stray closer, an unclosed group or row, or a control word is lost), and every character.

#include <cstdlib>

#include "reader_pages.h"

namespace vellumine::testing {

// Converts every page in both modes, lets one reader process read them all, and checks what
// it shows.
TEST(ReadersTest, EveryWordOfEveryPageInOrder) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "soffice is not installed (apt-get install libreoffice-writer-nogui)";
  TempDirectory work;
  const fs::path dir = work.bare();
  fs::create_directories(dir / "out");
  const std::vector<Page> pages = Pages();
  std::string files;
  for (const Page& page : pages) {
    for (ConversionMode mode : {ConversionMode::Rtf, ConversionMode::RtfTables}) {
      const fs::path rtf = dir / (page.name + ".m" + std::to_string(int(mode)) + ".rtf");
      std::ofstream(rtf, std::ios::binary) << ConvertPage(page, mode);
      files += " '" + rtf.string() + "'";
    }
  }
  const std::string command = "cd '" + dir.string() + "' && soffice -env:UserInstallation=file://" +
                              (dir / "profile").string() + " --headless --convert-to txt:Text --outdir '" +
                              (dir / "out").string() + "'" + files + " > soffice.log 2>&1";
  const bool ran = std::system(command.c_str()) == 0;
  EXPECT_TRUE(ran) << ReadBytes((dir / "soffice.log").string());
  for (const Page& page : pages) {
    for (int mode : {1, 2}) {
      const std::string name = page.name + ".m" + std::to_string(mode);
      SCOPED_TRACE(name);
      ExpectReaderShows(page, ReadBytes((dir / "out" / (name + ".txt")).string()));
    }
  }
}

}  // namespace vellumine::testing
