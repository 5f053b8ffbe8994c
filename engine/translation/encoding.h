// Choosing the input's character set: as the caller asks, or from "charset=" in the head.
#pragma once

#include <cstddef>

#include "translation/char_mappers.h"
#include "translation/growing_text.h"
#include "vellumine.h"

namespace vellumine {

// What the encoding step settles for one job.
struct EncodingChoice {
  CharMapper mapper = MapIdentity;  // applied to every text byte written
  bool cyrillic = false;            // RTF: code page 1251 header, raw high bytes, \f99 escapes
  bool utf8 = false;                // text bytes from 0x80 up are decoded as UTF-8

  friend bool operator==(const EncodingChoice&, const EncodingChoice&) = default;
};

// What the page's set asks for; Auto reads the raw text: a UTF-8 byte order mark, else the
// head's charset declarations, else, when none was recognised, whether the text is UTF-8
// with characters beyond ASCII, else Latin-1.
EncodingChoice ChooseEncoding(vellumine_encoding encoding, const char* text, size_t n);
// Auto's choice from the first n bytes of a page whose rest is still to come, where they
// settle it whatever follows: a byte order mark, the head's declarations up to "</head>",
// or, when the head declares none, a byte sequence that is not UTF-8. False when the rest
// may still change it.
bool ChooseEncodingFromOpening(const char* text, size_t n, EncodingChoice& choice);
// The same over a text read as the choice needs it: as far as the head's declarations, or
// when there are none, the whole text. Leaves the text passed, to be rewound.
EncodingChoice ChooseEncoding(vellumine_encoding encoding, GrowingText& page);

}  // namespace vellumine
