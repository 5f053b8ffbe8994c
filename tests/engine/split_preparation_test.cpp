// Reading in two halves and preparing in place in two parts give the bytes of the pass over
// the whole text, where a block, a CR LF pair or the 0x1A end lies across the middle, the
// quiet stretch where the parts meet or in either part, and when the file shrinks or fails
// while it is read.
#include "split_preparation.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "prepare_text.h"

namespace vellumine {
namespace {

struct Prepared {
  bool ok = false;
  std::string raw;       // the text as read
  std::string prepared;
  size_t readLength = 0;
};

Prepared ReadInHalves(RawTextSource& source, size_t size, size_t splitFrom) {
  ByteBuffer text;
  EXPECT_TRUE(text.Allocate(size + 16));
  Prepared result;
  result.ok = ReadRawText(source, size, text, result.readLength, splitFrom);
  if (!result.ok) return result;
  result.raw.assign(text.data(), text.size());
  result.ok = PrepareInPlace(source, text, splitFrom);
  result.prepared.assign(text.data(), text.size());
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

TEST(SplitPreparation, WhatLiesAroundWhereThePartsMeet) {
  // The parts meet after the first quiet stretch from the middle on; each piece is placed at
  // every offset before and across the stretch's end, and blocks run from before the
  // stretch to after it.
  const std::string quiet(kQuietStretch, 'q');
  const std::string pieces[] = {
      "<script>x</script>", "<title>t</title>", "<%a%>", "<% x", "<option>o</option>",
      "<option ", "\r\n", "\r", "\x1A", "<script>x\x1A</script>", "<style>s", "<sc", "<ti",
      "</script>", "<", std::string("a\0b", 3), "%>", "</style>", "</title>",
  };
  for (const std::string& piece : pieces) {
    for (size_t cut = 0; cut <= quiet.size() + 3; ++cut) {
      // The middle falls just before the piece, which ends the stretch or follows it.
      const std::string head = "<p>" + std::string(60, 'a');
      const std::string tail = quiet.substr(0, std::min(cut, quiet.size())) + piece +
                               quiet + "b</title></style></script>%> <title>T</title>z\r\n";
      const std::string raw = head + std::string(tail.size() - head.size(), 'c') + tail;
      MemoryTextSource source(raw.data(), raw.size());
      ExpectSame(ReadInHalves(source, raw.size(), 2), Whole(raw),
                 "piece after " + std::to_string(cut) + " quiet bytes: " + piece);
      const std::string across = head + "<script>" + std::string(tail.size(), 'c') + tail;
      MemoryTextSource acrossSource(across.data(), across.size());
      ExpectSame(ReadInHalves(acrossSource, across.size(), 2), Whole(across),
                 "a block across, then " + std::to_string(cut) + " quiet bytes: " + piece);
    }
  }
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
    // Mostly with a quiet stretch (or nearly one) where the parts can meet.
    if (i % 4 != 0) {
      const std::string more = raw.substr(random() % (raw.size() + 1));
      raw += std::string(kQuietStretch - 2 + random() % 4, 'q') + more;
    }
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
