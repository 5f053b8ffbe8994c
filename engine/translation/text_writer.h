// Plain-text output: text between tags, collapsed white space, five line-break forms.
#pragma once

#include <cstddef>

#include "fast/byte_buffer.h"
#include "translation/translation_input.h"
#include "translation/progress.h"

namespace vellumine {

// Appends the plain-text body of the prepared text to body (line feeds as LF), or with
// input.stream writes it there but for what is left in body at the end. Text is
// written in the page's own character set: windows-1251 for the Cyrillic encodings, UTF-8
// for a UTF-8 page (always valid UTF-8), the input's own bytes otherwise; in UTF-8 whatever
// the page with input.textAsUtf8. A reference to a character the set lacks is removed.
void TranslateToText(const TranslationInput& input, ByteBuffer& body);

// The same body of a prepared text read as it goes, written to out about `window` bytes of
// text at a time; false when the output's buffer could not be had.
bool TranslateToTextAsItGoes(SlidingText& text, const EncodingChoice& encoding, bool textAsUtf8,
                             OutputStream& out, size_t window = kTranslationWindow);

}  // namespace vellumine
