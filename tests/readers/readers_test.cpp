// Every example page and a few pathological ones, converted in both RTF modes and read back
// by LibreOffice: the reader must show every word of the page, in order (so nothing after a
// stray closer, an unclosed group or row, or a control word is lost), and every character.

#include <cstdlib>
#include <random>

#include "reader_pages.h"

namespace vellumine::testing {

// Converts every page in both modes, lets one reader process read them all, and checks what
// it shows.
TEST(ReadersTest, EveryWordOfEveryPageInOrder) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "soffice is not installed (apt-get install libreoffice-writer-nogui)";
  const fs::path dir =
      fs::temp_directory_path() / ("vellumine-readers-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "out");
  const std::vector<Page> pages = Pages();
  std::string files;
  for (const Page& page : pages) {
    for (ConversionMode mode : {ConversionMode::Rtf, ConversionMode::RtfTables}) {
      const fs::path rtf = dir / (page.name + ".m" + std::to_string(static_cast<int>(mode)) + ".rtf");
      std::ofstream(rtf, std::ios::binary) << ConvertPage(page, mode);
      files += " '" + rtf.string() + "'";
    }
  }
  const std::string command = "cd '" + dir.string() + "' && soffice -env:UserInstallation=file://" +
                              (dir / "profile").string() + " --headless --convert-to txt:Text --outdir '" +
                              (dir / "out").string() + "'" + files + " > soffice.log 2>&1";
  const bool ran = std::system(command.c_str()) == 0;
  EXPECT_TRUE(ran) << ReadFile(dir / "soffice.log");
  for (const Page& page : pages) {
    for (int mode : {1, 2}) {
      const std::string name = page.name + ".m" + std::to_string(mode);
      SCOPED_TRACE(name);
      ExpectReaderShows(page, ReadFile(dir / "out" / (name + ".txt")));
    }
  }
  std::error_code error;
  fs::remove_all(dir, error);
}

}  // namespace vellumine::testing
