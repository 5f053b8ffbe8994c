// The three mappers against the published code charts, as iconv converts them to
// Windows-1251 (fixtures from scripts/gen-mapper-fixtures).
#include "char_mappers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <utility>

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

bool IsKoi8rLetter(int b) { return b >= 0xC0 || b == 0xA3 || b == 0xB3; }

TEST(CharMappersTest, IdentityPassesEveryByte) {
  for (int b = 0; b < 256; ++b) EXPECT_EQ(MapIdentity(static_cast<unsigned char>(b)), b);
}

TEST(CharMappersTest, Koi8rLettersFollowTheCodeCharts) {
  std::map<int, int> chart = ReadChart("koi8r-to-cp1251.txt");
  ASSERT_EQ(chart.size(), 198u) << "fixture missing or damaged";
  int letters = 0;
  for (auto [from, to] : chart) {
    if (from < 0x80 || IsKoi8rLetter(from)) {
      EXPECT_EQ(MapKoi8r(static_cast<unsigned char>(from)), to) << std::hex << "byte 0x" << from;
      letters += from >= 0x80;
    }
  }
  EXPECT_EQ(letters, 66);
}

TEST(CharMappersTest, Koi8rOtherHighBytes) {
  // Seven look-alike recodings; the remaining box-drawing and symbol bytes pass unchanged.
  const std::map<int, int> recoded = {{0x80, 0x97}, {0x81, 0xA6}, {0x98, 0xBA}, {0x99, 0xAA},
                                      {0xA3, 0xB8}, {0xB3, 0xA8}, {0xBF, 0xB9}};
  for (int b = 0x80; b < 0xC0; ++b) {
    auto it = recoded.find(b);
    int expected = it == recoded.end() ? b : it->second;
    EXPECT_EQ(MapKoi8r(static_cast<unsigned char>(b)), expected) << std::hex << "byte 0x" << b;
  }
  // Examples: lower and upper case letters swap halves, ya, and plain ASCII.
  EXPECT_EQ(MapKoi8r(0xC1), 0xE0);
  EXPECT_EQ(MapKoi8r(0xE1), 0xC0);
  EXPECT_EQ(MapKoi8r(0xD1), 0xFF);
  EXPECT_EQ(MapKoi8r(0x95), 0x95);
  EXPECT_EQ(MapKoi8r(0x41), 0x41);
}

TEST(CharMappersTest, Iso88595FollowsTheCodeChartsFromA1) {
  std::map<int, int> chart = ReadChart("iso88595-to-cp1251.txt");
  ASSERT_EQ(chart.size(), 224u) << "fixture missing or damaged";
  for (int b = 0; b < 256; ++b) {
    int got = MapIso88595(static_cast<unsigned char>(b));
    if (b < 0xA1) {
      EXPECT_EQ(got, b) << std::hex << "byte 0x" << b << " must pass unchanged";
    } else {
      ASSERT_TRUE(chart.count(b)) << std::hex << "no chart entry for 0x" << b;
      EXPECT_EQ(got, chart[b]) << std::hex << "byte 0x" << b;
    }
  }
  // Yo keeps its letter in both cases; the basic letters shift by 0x10.
  EXPECT_EQ(MapIso88595(0xA1), 0xA8);
  EXPECT_EQ(MapIso88595(0xF1), 0xB8);
  EXPECT_EQ(MapIso88595(0xB0), 0xC0);
  EXPECT_EQ(MapIso88595(0xEF), 0xFF);
  EXPECT_EQ(MapIso88595(0xF0), 0xB9);
  EXPECT_EQ(MapIso88595(0xFD), 0xA7);
  EXPECT_EQ(MapIso88595(0x41), 0x41);
}

#ifndef _WIN32
// Where iconv is installed, the committed fixtures must still be what it produces.
std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  pclose(pipe);
  return out;
}

TEST(CharMappersTest, FixturesMatchIconv) {
  if (RunCommand("command -v iconv").empty()) GTEST_SKIP() << "iconv not installed";
  const std::pair<const char*, const char*> charts[] = {
      {"KOI8-R", "koi8r-to-cp1251.txt"}, {"ISO-8859-5", "iso88595-to-cp1251.txt"}};
  for (auto [charset, fixture] : charts) {
    // Every byte the chart lists, in one run of iconv: one output byte for each.
    std::map<int, int> chart = ReadChart(fixture);
    std::string escaped;
    for (auto entry : chart) {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", entry.first);
      escaped += octal;
    }
    std::string got = RunCommand("printf '" + escaped + "' | iconv -f " + charset + " -t CP1251");
    ASSERT_EQ(got.size(), chart.size()) << charset;
    size_t i = 0;
    for (auto [from, to] : chart) {
      EXPECT_EQ(static_cast<unsigned char>(got[i++]), to) << charset << " byte " << from;
    }
  }
}
#endif

}  // namespace
}  // namespace vellumine
