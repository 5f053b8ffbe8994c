#include "result_messages.h"

#include <gtest/gtest.h>

namespace vellumine {
namespace {

TEST(ResultMessages, ErrorBoxPerResult) {
  const std::string in = "C:\\web\\page.html";
  const std::string out = "D:\\out\\page.rtf";
  struct Case {
    ConvertResult result;
    const char* text;
  } cases[] = {
      {ConvertResult::OutOfMemory, "Not enougth memory"},
      {ConvertResult::CannotOpenOutput,
       "Can't open D:\\out\\page.rtf file for record.\n"
       "Probably it is already used by other application."},
      {ConvertResult::CannotOpenInput, "Can't open C:\\web\\page.html file for reading."},
      {ConvertResult::EmptyInput, "C:\\web\\page.html file has zero length."},
      {ConvertResult::CannotWriteOutput, "Can't write D:\\out\\page.rtf file.\nThe disk may be full."},
      {ConvertResult::Ok, ""},
      {static_cast<ConvertResult>(1), ""},
      {static_cast<ConvertResult>(7), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResultMessage(c.result, in, out), c.text) << static_cast<int>(c.result);
  }
}

TEST(ResultMessages, DirectoryAndWalkTexts) {
  EXPECT_EQ(DirectoryMissingQuestion("D:\\out\\"), "The directory D:\\out\\ does not exist\nCreate?");
  EXPECT_EQ(CannotCreateDirectoryMessage("D:\\out\\"), "Can't create D:\\out\\ directory.");
  EXPECT_STREQ(kSelectFileMessage,
               "Please select file, or if you have chosen a directory, please, set the switch "
               "\"Convert all\".");
  EXPECT_STREQ(kFilesNotFoundText, "HTML - files not found, please select correct path.");
  EXPECT_STREQ(kErrorCaption, "Error!");
  EXPECT_STREQ(kThanksCaption, "Thank you for using Vellumine!");
}

TEST(ResultMessages, CountsAndPlurals) {
  EXPECT_EQ(CountText(0, 0), "0 of 0");
  EXPECT_EQ(CountText(2, 40000), "2 of 40000");
  EXPECT_EQ(SummaryText(1, 1), "1 of 1 file converted successfully.");
  EXPECT_EQ(SummaryText(1, 3), "1 of 3 file converted successfully.");
  EXPECT_EQ(SummaryText(2, 3), "2 of 3 files converted successfully.");
  EXPECT_EQ(CompletedMessage(1), "Conversion completed. 1 file converted successfully.");
  EXPECT_EQ(CompletedMessage(2), "Conversion completed. 2 files converted successfully.");
}

TEST(ResultMessages, PercentNeverDividesByZero) {
  struct Case {
    int32_t converted, total;
    const char* percent;
  } cases[] = {
      {0, 3, "0"},   {1, 3, "33"},  {2, 3, "66"},         {3, 3, "100"},
      {0, 0, "0"},   {1, 0, "100"}, {4, 3, "100"},        {1, 40000, "0"},
      {39999, 40000, "99"},         {INT32_MAX, INT32_MAX, "100"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PercentText(c.converted, c.total), c.percent) << c.converted << " of " << c.total;
  }
}

}  // namespace
}  // namespace vellumine
