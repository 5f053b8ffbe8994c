// The whole UTF-8 characters of a chunk, from the chunk marks alone: where copying a chunk
// of a UTF-8 text as it stands must stop.
#pragma once

#include "fast/byte_scan.h"

namespace vellumine {

// Where a chunk of UTF-8 text that starts with a character stops being whole characters:
// at the first byte of a well-formed sequence that runs past the chunk, or, when any byte
// from 0x80 up is part of no well-formed sequence, at the first byte from 0x80 up (a step
// a character at a time takes over there). No mark when the chunk is whole characters.
[[gnu::always_inline]] inline ScanBits Utf8Stop(const ScanChunk& chunk) {
  const ByteMask high = chunk.High();
  const ByteMask fromC0 = chunk.AtLeast(0xC0);
  const ByteMask fromC2 = chunk.AtLeast(0xC2);
  const ByteMask fromE0 = chunk.AtLeast(0xE0);
  const ByteMask fromF0 = chunk.AtLeast(0xF0);
  const ByteMask fromF5 = chunk.AtLeast(0xF5);
  const ByteMask continuation = high & ~fromC0;
  const ByteMask lead3or4 = fromE0 & ~fromF5;
  const ByteMask lead4 = fromF0 & ~fromF5;
  const ByteMask lead = fromC2 & ~fromF5;
  // The bytes the leads in the chunk want as their continuation bytes.
  const ByteMask wanted = lead.AfterMarked() | lead3or4.AfterMarked().AfterMarked() |
                          lead4.AfterMarked().AfterMarked().AfterMarked();
  // After E0, ED, F0 and F4 the second byte has a narrower range (no overlong forms, no
  // surrogates, nothing above U+10FFFF).
  const ByteMask fromA0 = chunk.AtLeast(0xA0);
  const ByteMask from90 = chunk.AtLeast(0x90);
  const ByteMask outOfRange = (chunk.Equal('\xE0').AfterMarked() & ~fromA0) |
                              (chunk.Equal('\xED').AfterMarked() & fromA0) |
                              (chunk.Equal('\xF0').AfterMarked() & ~from90) |
                              (chunk.Equal('\xF4').AfterMarked() & from90);
  const ByteMask noLead = (fromC0 & ~fromC2) | fromF5;
  const ScanBits cut = LowestMark((lead & ByteMask::LastBytes<1>()).Bits() |
                                  (lead3or4 & ByteMask::LastBytes<2>()).Bits() |
                                  (lead4 & ByteMask::LastBytes<3>()).Bits());
  // Checked up to the cut sequence's first byte, which the bytes before it may want too.
  const ScanBits wrong = ((wanted ^ continuation) | outOfRange | noLead).Bits() & (cut | (cut - 1));
  return wrong ? LowestMark(high.Bits()) : cut;
}

}  // namespace vellumine
