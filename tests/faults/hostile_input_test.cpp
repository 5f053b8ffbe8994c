// Hostile pages convert, or fail with their result code, in linear time: each is converted at
// two sizes sixteen times apart, and the larger may take at most 64 times as long (linear work
// takes sixteen times, a little more where the larger output leaves the caches; quadratic
// work would take 256). The benchmark prints the figures.

#include "fault_helpers.h"
#include "hostile_inputs.h"
#include "job/convert_file.h"

namespace vellumine::testing {

using Milliseconds = std::chrono::duration<double, std::milli>;

// The better of two runs.
double ConvertMilliseconds(const std::string& page, ConversionMode mode, vellumine_result& result) {
  double best = 1e9;
  for (int run = 0; run < 2; ++run) {
    bench::CountingOutputStream out;
    auto start = std::chrono::steady_clock::now();
    result = ConvertMemory(page.data(), page.size(), OptionsFor(mode), out);
    best = std::min(best, Milliseconds(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

TEST(HostileInput, ConvertsInLinearTime) {
  constexpr size_t kSmall = 1 << 20, kLarge = 16 << 20;
  for (const bench::HostileInput& input : bench::kHostileInputs) {
    const std::string small = input.make(kSmall), large = input.make(kLarge);
    for (ConversionMode mode :
         {ConversionMode::Text, ConversionMode::Rtf, ConversionMode::RtfTables}) {
      SCOPED_TRACE(std::string(input.name) + ", mode " + std::to_string(static_cast<int>(mode)));
      vellumine_result result, largeResult;
      // The better of two runs each, and never less than 10 ms, so that noise (another
      // process on the machine) cannot fail it.
      double smallMs = ConvertMilliseconds(small, mode, result);
      double largeMs = ConvertMilliseconds(large, mode, largeResult);
      EXPECT_TRUE(result == VELLUMINE_OK && largeResult == VELLUMINE_OK);
      EXPECT_LT(largeMs, 64 * std::max(smallMs, 10.0)) << smallMs << " ms for 1 MB";
    }
  }
}

#ifndef _WIN32
// A sparse file of 1 GB (NUL bytes, no tag): converted, as text before any tag writes nothing,
// or refused for memory; either way within a time that only linear work can meet.
TEST(HostileInput, SparseGigabyteFile) {
  TempDirectory work;
  work.Write("sparse.htm", "");
  fs::resize_file(work.path() + "sparse.htm", uintmax_t{1} << 30);
  auto start = std::chrono::steady_clock::now();
  ProcessResult run = RunVellumine({"-q", "-f", "txt", "-o", "out", "sparse.htm"}, work);
  double seconds = Milliseconds(std::chrono::steady_clock::now() - start).count() / 1000;
  EXPECT_TRUE(run.exitCode == 0 ? work.Read("out/sparse.txt").empty()
                                  : run.err == "vellumine: Not enougth memory\n") << run.err;
  EXPECT_LT(seconds, 120);
}
#endif

}  // namespace vellumine::testing
