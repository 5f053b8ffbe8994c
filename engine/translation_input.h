// What every translation reads: the prepared text, the encoding chosen for it, and the
// progress ticks it reports at every step.
#pragma once

#include <cstddef>

#include "encoding.h"
#include "progress.h"
#include "split_translation.h"

namespace vellumine {

struct TranslationInput {
  const char* text;         // the prepared text
  size_t n;                 // its length
  EncodingChoice encoding;  // mapper, Cyrillic and UTF-8 flags
  ProgressTicks& ticks;     // reported at every step
  size_t splitFrom = kSplitTranslationFrom;  // texts this long are translated in halves
};

}  // namespace vellumine
