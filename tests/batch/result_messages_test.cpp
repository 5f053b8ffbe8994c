// The texts themselves are checked where the Convert command shows them; here the edges.
#include "result_messages.h"

#include <gtest/gtest.h>

namespace vellumine {
namespace {

TEST(ResultMessages, NoTextForSuccessOrUnknownResults) {
  for (int result : {0, 1, 7}) {
    EXPECT_EQ(ResultMessage(static_cast<ConvertResult>(result), "in.htm", "out.rtf"), "")
        << result;
  }
}

TEST(ResultMessages, CountsAndPlurals) {
  EXPECT_EQ(CountText(2, 40000), "2 of 40000");
  EXPECT_EQ(SummaryText(1, 3), "1 of 3 file converted successfully.");
  EXPECT_EQ(SummaryText(2, 3), "2 of 3 files converted successfully.");
  EXPECT_EQ(CompletedMessage(1), "Conversion completed. 1 file converted successfully.");
  EXPECT_EQ(CompletedMessage(2), "Conversion completed. 2 files converted successfully.");
}

TEST(ResultMessages, PercentNeverDividesByZero) {
  struct Case {
    int32_t converted, total;
    const char* percent;
  } cases[] = {{1, 3, "33"}, {2, 3, "66"},  {3, 3, "100"},     {0, 0, "0"},
               {1, 0, "100"}, {4, 3, "100"}, {1, 40000, "0"}, {39999, 40000, "99"},
               {INT32_MAX, INT32_MAX, "100"}};
  for (const Case& c : cases) {
    EXPECT_EQ(PercentText(c.converted, c.total), c.percent) << c.converted << " of " << c.total;
  }
}

}  // namespace
}  // namespace vellumine
