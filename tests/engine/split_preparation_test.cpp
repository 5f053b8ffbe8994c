// Reading and preparing in two halves gives the bytes of the pass over the whole text, where
// a block, a CR LF pair or the 0x1A end lies across the middle or in either half, and
// when the file shrinks or fails while it is read.
#include <gtest/gtest.h>

#include <random>

#include "fast/split_preparation.h"
#include "translation/prepare_text.h"

namespace vellumine {
namespace {

struct Prepared {
  bool ok = false;
  std::string raw;       // the text as read
  std::string prepared;
  size_t readLength = 0;
};

Prepared ReadInHalves(RawTextSource& source, size_t size, size_t splitFrom) {
  ByteBuffer text, prepared;
  EXPECT_TRUE(text.Allocate(size + 16) && prepared.Allocate(size + 16));
  Prepared result;
  result.ok = ReadAndPrepare(source, size, text, prepared, result.readLength, splitFrom);
  if (result.ok) {
    result.raw.assign(text.data(), text.size());
    result.prepared.assign(prepared.data(), prepared.size());
  }
  return result;
}

// The whole pass over `raw` on one thread.
Prepared Whole(const std::string& raw) {
  Prepared whole{true, raw, std::string(raw.size() + 16, '\0'), 0};
  whole.prepared.resize(PrepareRawText(raw.data(), raw.size(), whole.prepared.data(),
                                       &whole.readLength));
  return whole;
}

void ExpectSame(const Prepared& split, const Prepared& whole, const std::string& what) {
  ASSERT_TRUE(split.ok) << what;
  EXPECT_EQ(split.raw, whole.raw) << what;
  EXPECT_EQ(split.prepared, whole.prepared) << what;
  EXPECT_EQ(split.readLength, whole.readLength) << what;
}

TEST(SplitPreparation, WhatLiesAcrossTheMiddle) {
  // Each piece is placed so that it starts at every offset around the middle of the text.
  const std::string pieces[] = {
      "<script>x</script>", "<title>t</title>", "<%a%>", "<option>o</option>", "\r\n",
      "\r\r\n", "\x1A", "<script>x\x1A</script>", "<script>x</script\r\n", "<style>s",
      "<sc", "</script>", std::string("a\0b", 3),
  };
  for (const std::string& piece : pieces) {
    for (size_t before = 44; before < 76; ++before) {
      const std::string raw = std::string(before, 'a') + piece + std::string(60, 'b') +
                              "<title>T</title>z\r\n";
      MemoryTextSource source(raw.data(), raw.size());
      ExpectSame(ReadInHalves(source, raw.size(), 2), Whole(raw),
                 "piece at " + std::to_string(before) + ": " + piece);
    }
  }
}

TEST(SplitPreparation, RandomTextsAndTheThreshold) {
  const char* const kPieces[] = {"a", "bb ", "<p>", "<td>", "<t", "<s", "<o", "<%", "%>",
                                 "</title>", "<title>", "<script>", "</script>", "<style>",
                                 "</style>", "<option>", "</option>", "\r", "\n", "\r\n",
                                 "\x1A", "\xE9", "<", ">"};
  std::mt19937 random(12);
  for (int i = 0; i < 400; ++i) {  // each round starts threads, which are slow under emulation
    std::string raw;
    for (size_t k = random() % 300; k > 0; --k) raw += kPieces[random() % std::size(kPieces)];
    MemoryTextSource source(raw.data(), raw.size());
    // In halves, and whole below the threshold.
    for (size_t splitFrom : {size_t{2}, raw.size() + 1}) {
      ExpectSame(ReadInHalves(source, raw.size(), splitFrom), Whole(raw), raw);
    }
  }
}

// A file whose end moves while it is read: reads beyond `end` find nothing, and a read
// that starts at `failAt` fails.
class ChangingSource final : public RawTextSource {
 public:
  ChangingSource(const std::string& bytes, size_t end, size_t failAt)
      : bytes_(bytes), end_(end), failAt_(failAt) {}
  bool ReadAt(uint64_t offset, char* into, size_t n, size_t& got) override {
    got = 0;
    if (offset == failAt_) return false;
    MemoryTextSource now(bytes_.data(), end_);
    return now.ReadAt(offset, into, n, got);
  }

 private:
  const std::string& bytes_;
  size_t end_;
  size_t failAt_;
};

TEST(SplitPreparation, FilesThatShrinkOrFailWhileRead) {
  const std::string raw = "<title>t</title>one\r\ntwo<script>x</script>three\r\nfour five six";
  const size_t half = raw.size() / 2, kNever = size_t(-1);
  // The text is what the reads found, prepared as a whole.
  for (size_t end : {size_t{0}, size_t{5}, half - 1, half, half + 3, raw.size() - 1}) {
    ChangingSource source(raw, end, kNever);
    ExpectSame(ReadInHalves(source, raw.size(), 2), Whole(raw.substr(0, end)),
               "shrunk to " + std::to_string(end));
  }
  for (size_t failAt : {size_t{0}, half}) {
    ChangingSource source(raw, raw.size(), failAt);
    EXPECT_FALSE(ReadInHalves(source, raw.size(), 2).ok) << "failing at " << failAt;
    // Read whole, only the read from the start is made.
    EXPECT_EQ(ReadInHalves(source, raw.size(), raw.size() + 1).ok, failAt != 0) << failAt;
  }
}

}  // namespace
}  // namespace vellumine
