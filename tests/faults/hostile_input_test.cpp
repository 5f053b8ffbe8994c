// Hostile pages convert, or fail with their result code, in linear time: each is converted at
// two sizes sixteen times apart, and the larger may take at most 64 times as long (linear work
// takes sixteen times, a little more where the larger output leaves the caches; quadratic
// work would take 256). The benchmark prints the figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "job/convert_file.h"
#include "fault_helpers.h"
#include "hostile_inputs.h"
#include "translation/output_stream.h"

namespace vellumine::testing {
namespace {

double ConvertMilliseconds(const std::string& page, ConversionMode mode, vellumine_result& result) {
  const vellumine_options options = OptionsFor(mode);
  bench::CountingOutputStream out;
  auto start = std::chrono::steady_clock::now();
  result = ConvertMemory(page.data(), page.size(), options, out);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

TEST(HostileInput, ConvertsInLinearTime) {
  constexpr size_t kSmall = 1 << 20, kLarge = 16 << 20;
  for (const bench::HostileInput& input : bench::kHostileInputs) {
    const std::string small = input.make(kSmall), large = input.make(kLarge);
    for (ConversionMode mode : {ConversionMode::Text, ConversionMode::Rtf, ConversionMode::RtfTables}) {
      SCOPED_TRACE(std::string(input.name) + ", mode " + std::to_string(static_cast<int>(mode)));
      vellumine_result result;
      // The better of two runs each, and never less than 10 ms, so that noise (another
      // process on the machine) cannot fail it.
      double smallMs = std::min(ConvertMilliseconds(small, mode, result),
                                ConvertMilliseconds(small, mode, result));
      EXPECT_EQ(result, VELLUMINE_OK);
      double largeMs = std::min(ConvertMilliseconds(large, mode, result),
                                ConvertMilliseconds(large, mode, result));
      EXPECT_EQ(result, VELLUMINE_OK);
      EXPECT_LT(largeMs, 64 * std::max(smallMs, 10.0)) << smallMs << " ms for 1 MB";
    }
  }
}

#ifndef _WIN32
// A sparse file of 1 GB (NUL bytes, no tag): converted, as text before any tag writes nothing,
// or refused for memory; either way within a time that only linear work can meet.
TEST(HostileInput, SparseGigabyteFile) {
  TempDirectory work;
  {
    std::FILE* file = std::fopen((work.path() + "sparse.htm").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(ftruncate(fileno(file), 1LL << 30), 0);
    std::fclose(file);
  }
  auto start = std::chrono::steady_clock::now();
  ProcessResult run = RunVellumine({"-q", "-f", "txt", "-o", "out", "sparse.htm"}, work);
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (run.exitCode == 0) {
    EXPECT_EQ(work.Read("out/sparse.txt"), "");
  } else {
    EXPECT_EQ(run.err, "vellumine: Not enougth memory\n");
  }
  EXPECT_LT(seconds, 120);
}
#endif

}  // namespace
}  // namespace vellumine::testing
