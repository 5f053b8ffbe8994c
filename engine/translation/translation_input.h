// What every translation reads: the prepared text, the encoding chosen for it, and the
// progress ticks it reports at every step.
#pragma once

#include <cstddef>

#include "translation/encoding.h"
#include "translation/output_stream.h"
#include "fast/progress_ticks.h"
#include "fast/split_translation.h"

namespace vellumine {

// With a stream, the body written for this much text goes to it before the next step.
inline constexpr size_t kStreamPiece = size_t{256} << 10;

struct TranslationInput {
  const char* text;         // the prepared text
  size_t n;                 // its length
  EncodingChoice encoding;  // mapper, Cyrillic and UTF-8 flags
  ProgressTicks& ticks;     // reported at every step
  size_t splitFrom = kSplitTranslationFrom;  // texts this long are translated in halves
  // Where the body goes while it is written, a piece at a time, so that it is not held
  // whole; what has not gone there when the translation returns is left in the body buffer.
  // Without one the whole body is left there.
  OutputStream* stream = nullptr;
  size_t streamPiece = kStreamPiece;  // the body of this much text goes at a time
  bool textAsUtf8 = false;  // plain text: written in UTF-8 whatever the page's set
};

// Takes a translation's steps from p up to end: steps(from, limit) takes those that start
// before limit and returns where the next starts. With a stream, a piece of text at a time,
// drain() sending the body written after each. Returns where the next step starts.
template <typename Steps, typename Drain>
size_t RunInPieces(size_t p, size_t end, const OutputStream* stream, size_t piece, Steps steps,
                   Drain drain) {
  if (stream == nullptr) return steps(p, end);
  while (p < end) {
    p = steps(p, end - p > piece ? p + piece : end);
    drain();
  }
  return p;
}

}  // namespace vellumine
