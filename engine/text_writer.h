// Plain-text output: text between tags, collapsed white space, five line-break forms.
#pragma once

#include <cstddef>

#include "byte_buffer.h"
#include "char_mappers.h"
#include "progress.h"

namespace vellumine {

// Appends the plain-text body of the prepared text to body (line feeds as LF).
void TranslateToText(const char* text, size_t n, CharMapper mapper, ProgressTicks& ticks,
                     ByteBuffer& body);

}  // namespace vellumine
