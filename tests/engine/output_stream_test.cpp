// Where output goes: the file stream's CR LF and its write errors, and the job's buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "fast/byte_buffer.h"
#include "job/conversion_job.h"
#include "engine_test_files.h"
#include "job/file_output_stream.h"
#include "translation/output_stream.h"

namespace vellumine {
namespace {

using testing::ReadFile;
using testing::TempDir;

TEST(FileOutputStreamTest, EveryLineFeedBecomesCrLf) {
  TempDir dir;
  std::string path = dir.Path("out.txt");
  // Runs of every length, some straddling the staging block, written in uneven parts.
  std::string input, expected;
  for (int i = 0; i < 3000; ++i) {
    std::string run(static_cast<size_t>((i * 7919) % 300), static_cast<char>('a' + i % 26));
    input += run + "\n";
    expected += run + "\r\n";
  }
  input += std::string(200000, 'z') + "\n\n";
  expected += std::string(200000, 'z') + "\r\n\r\n";
  FileOutputStream out;
  ASSERT_TRUE(out.Open(path.c_str()));
  for (size_t at = 0; at < input.size();) {
    size_t part = std::min<size_t>(input.size() - at, 1 + (at * 31) % 70000);
    out.Write(input.data() + at, part);
    at += part;
  }
  // Then a body larger than every staging block, in one call, and a small part again.
  const std::string large = input + input + input + input;
  out.Write(large);
  out.Write(input.data(), 100);
  EXPECT_TRUE(out.Close());
  std::string head;
  for (char c : input.substr(0, 100)) head += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(ReadFile(path), expected + expected + expected + expected + expected + head);
}

TEST(FileOutputStreamTest, ReportsFailures) {
  // A device that is always full (under Wine the host's, through drive Z:): the write or
  // the flush fails, and Close says so.
#ifdef _WIN32
  const char* fullDevice = "Z:\\dev\\full";
#else
  const char* fullDevice = "/dev/full";
#endif
  FileOutputStream full;
  if (!full.Open(fullDevice)) GTEST_SKIP() << "no device that is always full";
  full.Write(std::string(100000, 'x'));
  EXPECT_FALSE(full.Close());
  EXPECT_TRUE(full.failed());
  FileOutputStream small;
  ASSERT_TRUE(small.Open(fullDevice));
  small.Write("x");  // staged only: the failure shows at the flush
  EXPECT_FALSE(small.Close());
}

TEST(ByteBufferTest, GrowsAndKeepsItsBytesUntilGrowthFails) {
  ByteBuffer buffer;
  ASSERT_TRUE(buffer.Allocate(3));
  buffer.Push('a');
  buffer.Append("bcdef");
  const std::string expected = "abcdef";
  EXPECT_FALSE(buffer.failed());
  EXPECT_EQ(std::string(buffer.view()), expected);
  // Impossible growth fails, and bytes past the capacity are dropped from then on.
  EXPECT_FALSE(buffer.Reserve(SIZE_MAX));
  EXPECT_TRUE(buffer.failed());
  buffer.Append(std::string(buffer.capacity(), 'x'));
  EXPECT_EQ(std::string(buffer.view()), expected);
}

TEST(WorkBufferCapacityTest, FourTimesPlus1000OrOverflow) {
  size_t capacity = 0;
  ASSERT_TRUE(WorkBufferCapacity(12345, capacity));
  EXPECT_EQ(capacity, 4u * 12345u + 1000u);
  // The largest size that fits the size type, and the first that does not.
  const uint64_t largest = (static_cast<uint64_t>(SIZE_MAX) - 1000) / 4;
  ASSERT_TRUE(WorkBufferCapacity(largest, capacity));
  EXPECT_GE(capacity, SIZE_MAX - 3);
  EXPECT_FALSE(WorkBufferCapacity(largest + 1, capacity));
  EXPECT_FALSE(WorkBufferCapacity(UINT64_MAX, capacity));
}

}  // namespace
}  // namespace vellumine
