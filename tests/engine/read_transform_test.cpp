// The text-mode read: CR LF to LF, lone CR kept, 0x1A ends the data.
#include "read_transform.h"

#include <gtest/gtest.h>

#include <string>

namespace vellumine {
namespace {

std::string Transform(std::string bytes) {
  size_t n = ApplyReadTransform(bytes.data(), bytes.size());
  EXPECT_LE(n, bytes.size());
  return bytes.substr(0, n);
}

TEST(ApplyReadTransformTest, Cases) {
  struct Case {
    std::string raw;
    std::string read;
  };
  std::string longRaw, longRead;  // many lines, some runs longer than a scan chunk
  for (int i = 0; i < 10000; ++i) {
    std::string line(static_cast<size_t>(i % 97), static_cast<char>('a' + i % 26));
    longRaw += line + (i % 3 == 0 ? "\r" : "") + "\r\n";
    longRead += line + (i % 3 == 0 ? "\r" : "") + "\n";
  }
  const Case cases[] = {
      {"", ""},
      {"A\r\nB\rC\x1A" "more\r\n", "A\nB\rC"},
      {"\r\r\n", "\r\n"},
      {"\r\n\n\r", "\n\n\r"},
      {"x\r", "x\r"},  // a CR at the very end stays
      {"\x1A" "abc", ""},
      {"ab\r\x1A\n", "ab\r"},  // 0x1A ends the data between CR and LF
      {std::string("a\0b\r\n", 5), std::string("a\0b\n", 4)},
      {"\r\r\r\n\r", "\r\r\n\r"},
      {longRaw, longRead},
  };
  for (const Case& c : cases) EXPECT_EQ(Transform(c.raw), c.read) << "raw: " << c.raw.substr(0, 40);
}

}  // namespace
}  // namespace vellumine
