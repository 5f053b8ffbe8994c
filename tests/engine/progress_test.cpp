// Tick positions, and the steps shown while a translation steps through the text.
#include "fast/progress_ticks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/convert_file.h"
#include "engine_test_files.h"

namespace vellumine {
namespace {

using testing::RecordedSteps;
using Calls = std::vector<std::string>;

std::vector<size_t> Ticks(size_t n) {
  ProgressTicks ticks;
  ticks = ProgressTicks(n, {});
  return std::vector<size_t>(ticks.positions().begin(), ticks.positions().end());
}

TEST(BuildProgressTicksTest, Examples) {
  std::vector<size_t> t = Ticks(10001);
  ASSERT_EQ(t.size(), 50u);
  EXPECT_EQ(std::vector<size_t>(t.begin(), t.begin() + 5),
            (std::vector<size_t>{197, 201, 205, 209, 213}));
  EXPECT_EQ(std::vector<size_t>(t.end() - 3, t.end()), (std::vector<size_t>{2501, 3334, 5001}));
  EXPECT_EQ(Ticks(1936), (std::vector<size_t>{38, 39, 40, 41, 42, 43}));
  EXPECT_TRUE(Ticks(1000).empty());
  EXPECT_TRUE(Ticks(0).empty());
  EXPECT_EQ(Ticks(2501).size(), 50u);
  EXPECT_LT(Ticks(2500).size(), 50u);
}

Calls SinkCalls(const std::string& text) {
  RecordedSteps steps;
  MemoryOutputStream out;
  EXPECT_EQ(ConvertMemory(text.data(), text.size(), steps.Attach(OptionsFor(ConversionMode::Text)),
                          out),
            VELLUMINE_OK);
  return steps.calls;
}

// Step 0 at the start, 1 once read, each tick's number, 50 at the end.
Calls ExpectedCalls(int ticks) {
  Calls calls = {"0/50", "1/50"};
  for (int k = 1; k <= ticks; ++k) calls.push_back(std::to_string(k) + "/50");
  calls.push_back("50/50");
  return calls;
}

TEST(ProgressReportTest, SinkSeesEveryTickOfATextSteppedByteByByte) {
  EXPECT_EQ(SinkCalls(std::string(10001, 'x')), ExpectedCalls(50));
  EXPECT_EQ(SinkCalls(std::string(2501, 'x')), ExpectedCalls(50));
  EXPECT_EQ(SinkCalls(std::string(1936, 'x')), ExpectedCalls(6));
  EXPECT_EQ(SinkCalls(std::string(1000, 'x')), ExpectedCalls(0));
}

TEST(ProgressReportTest, JumpedTickStopsAllLaterTicks) {
  // Ticks of 10001 bytes: 197, 201, 205, ... A reference over 203..207 hides 205.
  std::string text(10001, 'x');
  text.replace(203, 5, "&amp;");
  EXPECT_EQ(SinkCalls(text), ExpectedCalls(2));
  // The same inside text, where the cursor runs fast between special bytes: tick 2501
  // falls inside the line-break form.
  text = ">" + std::string(10000, 'x');
  text.replace(2499, 3, "<p>");
  EXPECT_EQ(SinkCalls(text), ExpectedCalls(47));
}

}  // namespace
}  // namespace vellumine
