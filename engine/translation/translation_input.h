// What every translation reads: the prepared text, the encoding chosen for it, and the
// progress ticks it reports at every step.
#pragma once

#include <cstddef>

#include "translation/encoding.h"
#include "translation/sliding_text.h"
#include "translation/output_stream.h"
#include "fast/progress_ticks.h"
#include "fast/split_translation.h"

namespace vellumine {

// With a stream, the body written for this much text goes to it before the next step.
inline constexpr size_t kStreamPiece = size_t{256} << 10;

// Runs of text, of blanks or of skipped bytes longer than this are taken as several steps,
// so that a page read as it goes never holds much more than a window of one run (a step
// that ends near the text read so far is taken again over more).
inline constexpr size_t kLongestStep = size_t{2} << 10;

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
  size_t longestStep = kLongestStep;  // RTF: the most one step of a run takes
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

// A translation's steps over a text read in order, a window of about `window` bytes at a
// time: the steps that start in the window are taken with the text read so far as the
// text, and kept only where they ended, and so looked, well before its end; otherwise they
// are taken again over twice as much. Each window's output goes to the stream before the
// next, and the text before it (but for kLookBehind bytes) is dropped. Translation provides:
//   size_t position() const;     where the next step starts
//   void SetText(const char* text, size_t n);   the text as far as it is read
//   void Run(size_t limit);      takes the steps that start before limit
//   size_t lookedTo() const;     the farthest a step looked without taking the bytes
//   Saved Save() const;  void Restore(const Saved&);   the state and output to go back to
//   void Shift(size_t k);        the text's first k bytes were dropped
//   void Drain();                writes the output so far to the stream
//   bool failed() const;         the output could not grow: the translation stops
inline constexpr size_t kTranslationWindow = size_t{1} << 20;
inline constexpr size_t kSettledSteps = 4096;  // a settled step ends this far before the end
inline constexpr size_t kLookBehind = 64;      // no step looks further back
static_assert(kLongestStep < kSettledSteps, "a step of a long run settles in its window");
template <typename Translation>
void TranslateAsItGoes(SlidingText& text, Translation& t, size_t window) {
  size_t want = window;
  for (;;) {
    const size_t p = t.position();
    const size_t bound = text.Reach(p + want);
    t.SetText(text.text(), bound);
    if (t.failed()) return;
    if (text.Ended()) {
      t.Run(bound);
      t.Drain();
      return;
    }
    const auto saved = t.Save();
    if (bound - p > 2 * kSettledSteps) t.Run(bound - 2 * kSettledSteps);
    if (t.position() == p || t.position() + kSettledSteps > bound ||
        t.lookedTo() + kSettledSteps > bound) {
      // A step ran into the part not read yet: taken again over more.
      t.Restore(saved);
      want = 2 * (bound - p);  // twice as far each time: a long step is taken again a few times
      continue;
    }
    want = window;
    t.Drain();
    const size_t passed = t.position() > kLookBehind ? t.position() - kLookBehind : 0;
    text.Drop(passed);
    t.Shift(passed);
  }
}

}  // namespace vellumine
