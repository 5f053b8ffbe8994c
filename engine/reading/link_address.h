// What a link's address, an image's text and an element's name become: attribute values
// with their references decoded, in UTF-8, and addresses made safe to write.
#pragma once

#include <cstddef>
#include <string_view>

#include "translation/encoding.h"

namespace vellumine {

// Decodes an attribute's value text[begin, end) as browsers read it: references become
// their characters, the page's bytes (in its encoding) their characters, all in UTF-8 at
// out. Returns the length, at most capacity (the rest is cut off). Reads up to kScanChunk
// bytes past end, which must be readable (as the page's are).
size_t DecodeAttributeValue(const char* text, size_t begin, size_t end,
                            const EncodingChoice& encoding, char* out, size_t capacity);

enum class LinkKind {
  None,      // no link: no address, or one that runs code (javascript:, vbscript:, data:)
  External,  // an address to open
  Internal,  // "#name": a jump to the bookmark name in the document
};

// The longest address kept; a longer one gives no link.
inline constexpr size_t kLongestAddress = 8192;

// Makes the address of href (decoded, UTF-8) at out (kLongestAddress bytes): blanks and
// controls at its ends removed and tabs and line feeds inside it, as browsers do; resolved
// against base (an absolute address, or empty for none); bytes outside printable ASCII, the
// quote and the backslash percent-encoded, so that it is printable ASCII without either.
// For an internal link out holds the name after "#" (not encoded). out may be written a
// little past the address's end (within its kLongestAddress bytes).
LinkKind MakeLinkAddress(std::string_view href, std::string_view base, char* out,
                         size_t& length);

// Whether an address given to MakeLinkAddress would run code when opened.
bool RunsCode(std::string_view address);

}  // namespace vellumine
