// Reading and preparing in two halves gives the bytes of the pass over the whole text, where
// a block, a CR LF pair or the 0x1A end lies across the middle or in either half, and
// when the file shrinks or fails while it is read.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "fast/split_preparation.h"
#include "translation/prepare_text.h"

namespace vellumine {
namespace {

// What a read gives: whether it succeeded, the text as read, the prepared text, and the
// length read before 0x1A; with `whole`, the pass over `raw` on one thread.
using Prepared = std::tuple<bool, std::string, std::string, size_t>;

Prepared ReadInHalves(RawTextSource& source, size_t size, size_t splitFrom) {
  ByteBuffer text, prepared;
  EXPECT_TRUE(text.Allocate(size + 16) && prepared.Allocate(size + 16));
  size_t readLength = 0;
  if (!ReadAndPrepare(source, size, text, prepared, readLength, splitFrom)) return {};
  return {true, std::string(text.view()), std::string(prepared.view()), readLength};
}

Prepared Whole(const std::string& raw) {
  std::string prepared(raw.size() + 16, '\0');
  size_t readLength = 0;
  prepared.resize(PrepareRawText(raw.data(), raw.size(), prepared.data(), &readLength));
  return {true, raw, prepared, readLength};
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
      EXPECT_EQ(ReadInHalves(source, raw.size(), 2), Whole(raw)) << before << ": " << piece;
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
    for (size_t splitFrom : {size_t{2}, raw.size() + 1})
      EXPECT_EQ(ReadInHalves(source, raw.size(), splitFrom), Whole(raw)) << raw;
  }
}

// A file whose end moves while it is read: reads beyond `end` find nothing, and a read
// that starts at `failAt` fails.
struct ChangingSource final : RawTextSource {
  ChangingSource(const std::string& text, size_t readable, size_t failing)
      : bytes(text), end(readable), failAt(failing) {}
  bool ReadAt(uint64_t offset, char* into, size_t n, size_t& got) override {
    got = 0;
    return offset != failAt && MemoryTextSource(bytes.data(), end).ReadAt(offset, into, n, got);
  }
  const std::string& bytes;
  size_t end, failAt;
};

TEST(SplitPreparation, FilesThatShrinkOrFailWhileRead) {
  const std::string raw = "<title>t</title>one\r\ntwo<script>x</script>three\r\nfour five six";
  const size_t half = raw.size() / 2, kNever = size_t(-1);
  // The text is what the reads found, prepared as a whole.
  for (size_t end : {size_t{0}, size_t{5}, half - 1, half, half + 3, raw.size() - 1}) {
    ChangingSource source(raw, end, kNever);
    EXPECT_EQ(ReadInHalves(source, raw.size(), 2), Whole(raw.substr(0, end))) << end;
  }
  for (size_t failAt : {size_t{0}, half}) {
    ChangingSource source(raw, raw.size(), failAt);
    EXPECT_FALSE(std::get<0>(ReadInHalves(source, raw.size(), 2))) << "failing at " << failAt;
    // Read whole, only the read from the start is made.
    EXPECT_EQ(std::get<0>(ReadInHalves(source, raw.size(), raw.size() + 1)), failAt != 0) << failAt;
  }
}

}  // namespace
}  // namespace vellumine
