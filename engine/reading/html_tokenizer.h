// The default reading's view of a page: text runs, characters of references, and the tags
// it knows, one at a time. Comments, declarations, processing instructions, CDATA sections
// and the content of script, style, option, template and svg (and the server blocks "<% %>")
// are passed over as browsers pass them over; the title's text is its start tag's token; tags are read whole, quoted
// attribute values included.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "fast/reading_runs.h"
#include "reading/tag_names.h"

namespace vellumine {

struct HtmlToken {
  enum class Kind : uint8_t {
    End,        // no more tokens
    Text,       // text[begin, end): page bytes as they stand
    Character,  // a reference: count characters in cps
    StartTag,   // tag, its attributes in text[begin, end), selfClosing for "<name/>"; a
                // reversed <ol>'s with count 1 and its items (in the next kListWindow bytes)
                // in cps[0]; the title's with its text in text[begin, end) instead
    EndTag,     // tag
  };
  Kind kind = Kind::End;
  Tag tag = Tag::Unknown;
  bool selfClosing = false;
  uint8_t count = 0;
  uint32_t cps[2] = {};
  size_t begin = 0;
  size_t end = 0;
};

// The attributes the reading uses, found in one pass over a start tag's attributes (the
// first of a name counts, as in browsers).
struct TagAttributes {
  enum Name : uint8_t {
    kId, kName, kHref, kAlt, kStart, kValue, kColspan, kRowspan, kType, kReversed, kStyle,
    kAlign, kWidth, kHeight, kBorder, kFrame, kRules, kColor, kContent, kSrc, kCount
  };
  bool has[kCount] = {};
  bool any = false;    // has any
  bool looks = false;  // has a style, an align or a colour
  size_t begin[kCount] = {};  // the value's bytes, quotes removed (where has is set)
  size_t end[kCount] = {};
  // None (what begin and end held stays: it means nothing without has).
  void Clear() {
    if (!any) return;
    std::fill(std::begin(has), std::end(has), false);
    any = looks = false;
  }
};
void ReadTagAttributes(const char* text, size_t begin, size_t end, TagAttributes& attributes);

// What a writer does with attributes: links (href), places to jump to (id and name), and
// how things look (style, align, colours, borders, widths, pictures, the document's
// properties).
struct AttributeUse {
  bool links = false;
  bool places = false;
  bool looks = false;
  bool operator==(const AttributeUse&) const = default;
};
// The attributes of start tag token that a reader with use needs (those of a, img, base,
// ol, li, td and th, of any tag with an id where places are wanted, and of table, font,
// meta and any tag with a style or an align where looks are); none for others.
void ReadAttributesOfUse(const char* text, const HtmlToken& token, AttributeUse use,
                         TagAttributes& attributes);
inline void ReadUsedAttributes(const char* text, const HtmlToken& token, AttributeUse use,
                               TagAttributes& attributes) {
  if (token.end == token.begin) return attributes.Clear();  // (most tags have none)
  ReadAttributesOfUse(text, token, use, attributes);
}

// Markup passed over without a token (a comment, a declaration, a processing instruction,
// a server block, an element's content passed over whole) whose end was looked for up to the
// end of the text: how the search goes on over more of the text.
struct PassingOver {
  enum class Kind : uint8_t {
    None,
    Comment,      // to the first "-->" or "--!>"
    CData,        // to the first "]]>"
    ToTagEnd,     // to the first ">"
    ServerBlock,  // to the first "%>"
    ToMarkup,     // up to the next "<"
    Content,      // up to and past the end tag of `tag` (script, style, title, template, svg)
  };
  Kind kind = Kind::None;
  size_t from = 0;  // where the search goes on
  Tag tag = Tag::Unknown;
};

class HtmlTokenizer {
 public:
  // Text runs longer than this are given as several tokens, so that a page read as it goes
  // never holds more of one run than about this much.
  static constexpr size_t kLongestText = size_t{64} << 10;
  // No text run is given longer than about this much, wherever it is cut (a page read a block
  // at a time carries a run over from one block to the next whole).
  static constexpr size_t kLongestRun = size_t{96} << 10;

  // text holds n bytes, and kScanChunk more that are read (whatever they hold). Text runs
  // longer than longestText (at least 1) are cut where the cut changes nothing a reader
  // makes of them.
  HtmlTokenizer(const char* text, size_t n, size_t position = 0,
                size_t longestText = kLongestText)
      : text_(text), n_(n), p_(position), longestText_(longestText) {}

  // The next token from the position; End at the end of the text.
  HtmlToken Next() {
    if (p_ < n_ && text_[p_] != '<' && text_[p_] != '&') {
      start_ = p_;
      HtmlToken token;
      token.kind = HtmlToken::Kind::Text;
      token.begin = p_;
      p_ = TextEnd(p_);
      token.end = p_;
      return token;
    }
    return NextAtMarkup();
  }

  // Where the next token starts.
  size_t position() const { return p_; }
  // Where the reading of the token Next() gave last began (after any markup it passed
  // over). After an End token: the markup the text ended in, to be read again whole over
  // more text, or the end of the text when there is none (and no passing over went on).
  size_t tokenStart() const { return start_; }
  // After the End token of a text that may go on: the passing over the text ended in, if
  // any (Kind::None otherwise).
  const PassingOver& passingOver() const { return passingOver_; }
  // Goes on with a passing over that ran into the end of an earlier, shorter text (this
  // tokenizer's position is its `from`).
  void GoOn(const PassingOver& over) { PassOver(over); }
  // How far ahead a reversed list's items are counted.
  static constexpr size_t kListWindow = size_t{16} << 10;
  // A title longer than this is passed over.
  static constexpr size_t kLongestTitle = size_t{16} << 10;
  // No passing over looks back from a candidate more than this (where the search goes on).
  static constexpr size_t kLongestEnd = 16;
  // The used attributes of token, the start tag Next() returned last, read into scratch.
  const TagAttributes& UsedAttributes(const HtmlToken& token, AttributeUse use,
                                      TagAttributes& scratch) const {
    ReadUsedAttributes(text_, token, use, scratch);
    return scratch;
  }

 private:
  // Next() where the text holds no text run at the position.
  HtmlToken NextAtMarkup();
  // Markup at p_ (a "<"): fills token and returns true for a tag the reader sees, moves
  // p_ past whatever it passes over and returns false otherwise.
  [[gnu::always_inline]] bool ReadMarkup(HtmlToken& token);  // (inline in NextAtMarkup, its one caller)
  // A reference at p_ (an "&"): true with its characters in token, false when the "&"
  // starts none (it is then text).
  bool ReadReference(HtmlToken& token);
  // Passes over what over says, from over.from: p_ is then past its end, or, when it
  // ran into the end of the text, the end of the text, and passingOver() says where to go on.
  void PassOver(const PassingOver& over);
  // Where the text run from p ends: at the next "<" or "&", or, when that is more than
  // longestText_ bytes on, at the first cut after that many.
  size_t TextEnd(size_t p) const {
    const size_t limit = n_ - p > longestText_ ? p + longestText_ : n_;
    const size_t q =
        FindMarkupOrReference(reinterpret_cast<const unsigned char*>(text_), p + 1, limit);
    return q < limit || limit == n_ ? q : CutLongText(p, limit);
  }
  // The first place from p where the long run from begin may be cut, or where it ends.
  size_t CutLongText(size_t begin, size_t p) const;

  const char* text_;
  size_t n_;
  size_t p_;
  size_t longestText_;
  size_t start_ = 0;
  bool ranOut_ = false;  // the markup at start_ ran into the end of the text
  size_t contentEnd_ = 0;  // where the content last passed over ended (its end tag's "<")
  PassingOver passingOver_;
};

// The reference whose "&" is at text[p] (text holds n bytes): its characters in token
// (kind Character) and the position after it; p when the "&" starts none.
size_t ReadCharacterReference(const char* text, size_t p, size_t n, HtmlToken& token);

// The value of attribute `name` (lowercase) among a start tag's attributes text[begin,
// end): true with the value's bytes (quotes removed) in [valueBegin, valueEnd).
bool FindAttribute(const char* text, size_t begin, size_t end, std::string_view name,
                   size_t& valueBegin, size_t& valueEnd);

// A decimal number at the start of text[begin, end) after blanks, with an optional sign;
// fallback when there is none. Held to +-1,000,000,000.
long ParseAttributeNumber(const char* text, size_t begin, size_t end, long fallback);

}  // namespace vellumine
