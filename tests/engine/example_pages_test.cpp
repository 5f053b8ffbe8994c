// The example pages convert, in every mode, to exactly the outputs checked in beside the
// tests (scripts/gen-example-outputs writes them): no engine change moves an output byte
// unseen.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "job/convert_file.h"
#include "engine_test_files.h"
#include "translation/output_stream.h"

namespace vellumine {
namespace {

TEST(ExamplePagesTest, OutputsAreTheCheckedInOnes) {
  namespace fs = std::filesystem;
  const struct {
    ConversionMode mode;
    const char* suffix;
  } modes[] = {{ConversionMode::Text, ".txt"},
               {ConversionMode::Rtf, ".rtf"},
               {ConversionMode::RtfTables, ".tables.rtf"}};
  int pages = 0;
  for (const auto& entry : fs::directory_iterator(VELLUMINE_SOURCE_DIR "/examples")) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".htm" && extension != ".html" && extension != ".asp") continue;
    ++pages;
    auto html = testing::ReadFile(entry.path().string());
    ASSERT_TRUE(html.has_value());
    for (const auto& m : modes) {
      const std::string name = entry.path().stem().string() + m.suffix;
      auto expected = testing::ReadFile(testing::FixturePath("examples/" + name));
      ASSERT_TRUE(expected.has_value()) << name << " is not checked in";
      MemoryOutputStream out(true);
      ASSERT_EQ(ConvertMemory(html->data(), html->size(), OptionsFor(m.mode), out),
                VELLUMINE_OK);
      EXPECT_TRUE(out.str() == *expected) << name << " differs";
    }
  }
  EXPECT_GE(pages, 9);
}

}  // namespace
}  // namespace vellumine
