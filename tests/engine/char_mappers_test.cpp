// The Cyrillic mappers against the published code charts, as iconv converts them to
// Windows-1251 (fixtures written by scripts/gen-mapper-fixtures).
#include "translation/char_mappers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

#include "engine_test_files.h"

namespace vellumine {
namespace {

// "XX YY" lines: input byte, Windows-1251 byte.
std::map<int, int> ReadChart(const std::string& name) {
  std::map<int, int> chart;
  std::ifstream in(testing::FixturePath(name));
  std::string from, to;
  while (in >> from >> to) chart[std::stoi(from, nullptr, 16)] = std::stoi(to, nullptr, 16);
  return chart;
}

TEST(CharMappersTest, Koi8r) {
  std::map<int, int> chart = ReadChart("koi8r-to-cp1251.txt");
  ASSERT_EQ(chart.size(), 198u) << "fixture missing or damaged";
  // Letters (and ASCII) follow the chart; of the other high bytes, seven look-alikes are
  // recoded and the rest pass unchanged.
  const std::map<int, int> recoded = {{0x80, 0x97}, {0x81, 0xA6}, {0x98, 0xBA}, {0x99, 0xAA},
                                      {0xBF, 0xB9}};
  for (int b = 0; b < 256; ++b) {
    const bool letter = b < 0x80 || b >= 0xC0 || b == 0xA3 || b == 0xB3;
    auto it = recoded.find(b);
    int expected = letter ? chart.at(b) : it == recoded.end() ? b : it->second;
    EXPECT_EQ(MapKoi8r(static_cast<unsigned char>(b)), expected) << std::hex << "byte 0x" << b;
  }
}

TEST(CharMappersTest, Iso88595FollowsTheCodeChartsFromA1) {
  std::map<int, int> chart = ReadChart("iso88595-to-cp1251.txt");
  ASSERT_EQ(chart.size(), 224u) << "fixture missing or damaged";
  for (int b = 0; b < 256; ++b) {
    ASSERT_TRUE(b < 0xA1 || chart.count(b)) << std::hex << "no chart entry for 0x" << b;
    EXPECT_EQ(MapIso88595(static_cast<unsigned char>(b)), b < 0xA1 ? b : chart[b])
        << std::hex << "byte 0x" << b;
  }
  // Yo keeps its letter in both cases.
  EXPECT_EQ(MapIso88595(0xA1), 0xA8);
  EXPECT_EQ(MapIso88595(0xF1), 0xB8);
}

}  // namespace
}  // namespace vellumine
