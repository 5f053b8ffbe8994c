#include "html_tokenizer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "fast/byte_scan.h"
#include "fast/reading_runs.h"
#include "translation/ascii.h"
#include "translation/html_entities.h"
#include "translation/windows_code_pages.h"

namespace vellumine {
namespace {

constexpr bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
constexpr bool IsAsciiLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAlphanumeric(unsigned char c) { return IsAsciiLetter(c) || IsAsciiDigit(c); }

// What a byte ends in a tag, one bit each: a blank; a tag's name (a blank, "/", ">"); an
// attribute's name (those and "="); an unquoted value (a blank, ">").
enum : unsigned char { kBlankByte = 1, kEndsName = 2, kEndsAttributeName = 4, kEndsValue = 8 };
constexpr auto kByteRoles = [] {
  std::array<unsigned char, 256> roles{};
  for (unsigned char c : {' ', '\t', '\n', '\r', '\f'})
    roles[c] = kBlankByte | kEndsName | kEndsAttributeName | kEndsValue;
  roles['/'] = kEndsName | kEndsAttributeName;
  roles['>'] = kEndsName | kEndsAttributeName | kEndsValue;
  roles['='] = kEndsAttributeName;
  return roles;
}();
inline bool Is(unsigned char c, unsigned char role) { return (kByteRoles[c] & role) != 0; }

// Where c next occurs in text[from, n), or n.
size_t Find(const char* text, size_t n, size_t from, char c) {
  if (from >= n) return n;
  const void* found = std::memchr(text + from, c, n - from);
  return found ? static_cast<size_t>(static_cast<const char*>(found) - text) : n;
}

// Where the two-byte or three-byte `marker` next starts in text[from, n), or n.
size_t FindMarker(const char* text, size_t n, size_t from, std::string_view marker) {
  for (size_t p = from;; ++p) {
    p = Find(text, n, p, marker[0]);
    if (p == n || n - p < marker.size()) return n;
    if (std::memcmp(text + p, marker.data(), marker.size()) == 0) return p;
  }
}

// The items of a list whose start tag ends before p, in text[p, n): its <li> tags, those of
// the lists inside it left out, up to its end tag.
uint32_t CountListItems(const char* text, size_t p, size_t n) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  uint32_t items = 0;
  int depth = 0;  // lists open inside it
  for (p = Find(text, n, p, '<'); p < n; p = Find(text, n, p + 1, '<')) {
    const bool end = p + 1 < n && s[p + 1] == '/';
    const size_t name = p + 1 + (end ? 1 : 0);
    if (n - name < 3) break;
    const unsigned char a = s[name] | 0x20, b = s[name + 1] | 0x20, after = s[name + 2];
    if (after != '>' && after != '/' && !IsBlank(after)) continue;
    if ((a == 'o' || a == 'u') && b == 'l') {
      if (!end) ++depth;
      else if (--depth < 0) break;
    } else if (a == 'l' && b == 'i' && !end && depth == 0) {
      ++items;
    }
  }
  return items;
}

// The position of the ">" that ends a tag whose attributes start at p, read as browsers
// read them (a ">" inside a quoted value does not end the tag); n when the text ends first.
size_t TagEnd(const char* text, size_t n, size_t p) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (p < n) {
    unsigned char c = s[p];
    if (c == '>') return p;
    if (Is(c, kEndsName)) {  // a blank or "/"
      ++p;
      continue;
    }
    ++p;  // the name's first byte, which may be "="
    while (p < n && !Is(s[p], kEndsAttributeName)) ++p;
    while (p < n && Is(s[p], kBlankByte)) ++p;
    if (p == n || s[p] != '=') continue;
    ++p;
    while (p < n && Is(s[p], kBlankByte)) ++p;
    if (p < n && (s[p] == '"' || s[p] == '\'')) {
      p = FindByte(text, n, p + 1, static_cast<char>(s[p]));  // a value is short
      if (p < n) ++p;
    } else {
      while (p < n && !Is(s[p], kEndsValue)) ++p;
    }
  }
  return n;
}

// The end tag's name of an element whose content is passed over.
std::string_view SkippedName(Tag tag) {
  switch (tag) {
    case Tag::Script: return "script";
    case Tag::Style: return "style";
    case Tag::Title: return "title";
    case Tag::Template: return "template";
    default: return "svg";
  }
}

// The names a reference may use without its ";", as browsers read them in text.
constexpr std::string_view kNamesWithoutSemicolon[] = {"amp",  "AMP", "lt",   "LT",  "gt", "GT",
                                                       "quot", "QUOT", "nbsp", "copy", "COPY",
                                                       "reg",  "REG"};

bool Shows(unsigned char c) { return c > 0x20 && c < 0x7F; }  // ASCII, no blank or control
bool Invisible(unsigned char c) { return c <= 0x20 || c == 0x7F; }

}  // namespace

// A cut leaves what a reader makes of a run as it was where the byte before it is ASCII that
// shows and the byte after it ASCII that shows or the first of a UTF-8 character (so no
// character's bytes are split, in any set); or, in a run of nothing but blanks and controls
// so far (which a reader takes as one blank or none, wherever it is cut), where the next
// byte is one too and the byte before is no CR (a CR LF pair is one line end). Blanks and
// controls after text that shows are not cut, where a writer reads them together, until the
// run is kLongestRun long: then it is cut before a byte that starts a character and is no LF
// after a CR, or, when the run holds nothing of the sort, a few bytes on.
size_t HtmlTokenizer::CutLongText(size_t begin, size_t p) const {
  const auto* text = reinterpret_cast<const unsigned char*>(text_);
  bool invisibleSoFar = true;
  for (size_t q = begin; q < p && invisibleSoFar; ++q) invisibleSoFar = Invisible(text[q]);
  for (; p < n_; ++p) {
    const unsigned char before = text[p - 1];
    const unsigned char c = text[p];
    if (c == '<' || c == '&') return p;
    const size_t length = p - begin;
    if (length >= kLongestRun &&
        (length >= kLongestRun + 4 || ((c & 0xC0) != 0x80 && before != '\r')))
      return p;
    if (Shows(before) && (Shows(c) || c >= 0xC0)) return p;
    if (invisibleSoFar && Invisible(c) && before != '\r') return p;
    invisibleSoFar = invisibleSoFar && Invisible(c);
  }
  return n_;
}

HtmlToken HtmlTokenizer::NextAtMarkup() {
  HtmlToken token;
  ranOut_ = false;
  while (p_ < n_) {
    start_ = p_;
    const char c = text_[p_];
    if (c == '<') {
      if (ReadMarkup(token)) return token;
      continue;
    }
    if (c == '&' && ReadReference(token)) return token;
    // Text up to the next "<" or "&" (an "&" that starts no reference is text).
    const size_t q = TextEnd(p_);
    token.kind = HtmlToken::Kind::Text;
    token.begin = p_;
    token.end = q;
    p_ = q;
    return token;
  }
  token.kind = HtmlToken::Kind::End;
  if (!ranOut_) start_ = n_;
  return token;
}

inline bool HtmlTokenizer::ReadMarkup(HtmlToken& token) {
  const auto* s = reinterpret_cast<const unsigned char*>(text_);
  const size_t start = p_;
  const unsigned char next = start + 1 < n_ ? s[start + 1] : 0;
  if (next == '!') {
    if (n_ - start >= 4 && s[start + 2] == '-' && s[start + 3] == '-') {
      // A comment, to the first "-->" (or "--!>"); "<!-->" and "<!--->" are empty ones.
      size_t q = start + 4;
      if (q < n_ && s[q] == '>') {
        p_ = q + 1;
        return false;
      }
      if (n_ - q >= 2 && s[q] == '-' && s[q + 1] == '>') {
        p_ = q + 2;
        return false;
      }
      PassOver({PassingOver::Kind::Comment, q});
      return false;
    }
    if (n_ - start >= 9 && std::memcmp(text_ + start, "<![CDATA[", 9) == 0) {
      PassOver({PassingOver::Kind::CData, start + 9});
      return false;
    }
    PassOver({PassingOver::Kind::ToTagEnd, start + 2});  // a declaration: <!DOCTYPE html>
    return false;
  }
  if (next == '?') {  // a processing instruction
    PassOver({PassingOver::Kind::ToTagEnd, start + 2});
    return false;
  }
  if (next == '%') {  // a server block: to the first ">" right after a "%" (its own counts)
    PassOver({PassingOver::Kind::ServerBlock, start + 2});
    return false;
  }
  const bool endTag = next == '/';
  const size_t nameStart = start + (endTag ? 2 : 1);
  if (nameStart >= n_ || !IsAsciiLetter(s[nameStart])) {
    if (endTag) {
      // "</>" is nothing; "</" before anything else but a letter starts a bogus comment.
      PassOver({PassingOver::Kind::ToTagEnd, nameStart});
      return false;
    }
    token.kind = HtmlToken::Kind::Text;  // a "<" that starts no tag is text
    token.begin = start;
    token.end = start + 1;
    p_ = start + 1;
    return true;
  }
  // The name, up to a blank, "/" or ">", and its first eight bytes lowercased into one
  // word (setting 0x20 lowercases letters and keeps digits: no other name becomes a known
  // one). A chunk at a time; the text may be read a chunk past its end.
  size_t nameEnd = nameStart;
  uint64_t word = 0;
  for (;;) {
    ScanChunk chunk(s + nameEnd);
    ScanBits stops = (~chunk.AtLeast(0x21) | chunk.Equal('/') | chunk.Equal('>')).Bits();
    if (n_ - nameEnd < kScanChunk) stops |= BytesFrom(n_ - nameEnd);
    if (nameEnd == nameStart) std::memcpy(&word, s + nameStart, sizeof word);
    if (stops) {
      nameEnd += FirstSetByte(stops);
      break;
    }
    nameEnd += kScanChunk;
  }
  const size_t nameLength = nameEnd - nameStart;
  if (nameLength < 8) word &= (uint64_t{1} << (8 * nameLength)) - 1;
  word |= 0x2020202020202020ull & (nameLength < 8 ? (uint64_t{1} << (8 * nameLength)) - 1 : ~uint64_t{0});
  const size_t close = nameEnd < n_ && s[nameEnd] == '>' ? nameEnd : TagEnd(text_, n_, nameEnd);
  if (close == n_) {  // a tag the text ends in is dropped with the rest
    p_ = n_;
    ranOut_ = true;
    return false;
  }
  p_ = close + 1;
  token.tag = nameLength <= 8 ? LookUpTagWord(word) : LookUpTag(text_ + nameStart, nameLength);
  // Unknown tags (dropped whole), the title and the elements whose content is never text,
  // first and last among the tags, in one comparison.
  static_assert(Tag::Unknown == Tag{0} && Tag::Option == kLastTag);
  if (static_cast<unsigned>(token.tag) - 1 >= static_cast<unsigned>(Tag::Title) - 1) [[unlikely]] {
    switch (token.tag) {
      case Tag::Unknown:
        return false;
      case Tag::Title: {
        // The title's text is its start tag's token, [begin, end) up to "</title", when its
        // end tag ends within kLongestTitle bytes (read again whole over more text when the
        // text ends before); a longer title is passed over.
        if (endTag) return false;
        const size_t contentStart = p_;
        const size_t n = n_;
        n_ = std::min(n, contentStart + kLongestTitle);
        PassOver({PassingOver::Kind::Content, p_, Tag::Title});
        const bool found = !ranOut_ && passingOver_.kind == PassingOver::Kind::None;
        const bool textEnded = n_ == n;
        n_ = n;
        passingOver_ = {};
        ranOut_ = false;
        if (!found) {
          if (textEnded) {
            p_ = n_;
            ranOut_ = true;
          } else {
            PassOver({PassingOver::Kind::Content, contentStart, Tag::Title});
          }
          return false;
        }
        token.kind = HtmlToken::Kind::StartTag;
        token.begin = contentStart;
        token.end = contentEnd_;
        token.selfClosing = false;
        return true;
      }
      case Tag::Script: case Tag::Style: case Tag::Template: case Tag::Svg:
        // Passed over with their content ("<script/>" still has content; "<svg/>" has none).
        if (!endTag && !(token.tag == Tag::Svg && text_[close - 1] == '/'))
          PassOver({PassingOver::Kind::Content, p_, token.tag});
        return false;
      case Tag::Option:  // its label, up to the next markup, is passed over
        if (!endTag) PassOver({PassingOver::Kind::ToMarkup, p_});
        return false;
      default:
        break;
    }
  }
  token.kind = endTag ? HtmlToken::Kind::EndTag : HtmlToken::Kind::StartTag;
  token.begin = nameEnd;
  token.end = close;
  token.selfClosing = close > nameEnd && text_[close - 1] == '/';
  size_t reversedBegin, reversedEnd;
  if (token.tag == Tag::Ol && !endTag &&
      FindAttribute(text_, nameEnd, close, "reversed", reversedBegin, reversedEnd)) [[unlikely]] {
    // A reversed list numbers down from its number of items: counted ahead, so far.
    token.count = 1;
    token.cps[0] = CountListItems(text_, p_, std::min(n_, p_ + kListWindow));
  }
  return true;
}

void HtmlTokenizer::PassOver(const PassingOver& over) {
  const auto* s = reinterpret_cast<const unsigned char*>(text_);
  passingOver_ = {};
  // Where the search goes on when it ran into the end of the text read so far: where the
  // last candidate it could not check whole starts, or a few bytes back (no candidate is
  // longer than that), and never before where it began. Not where it began that close to
  // the end: what markup it passes over was then told by too few bytes ("</" before a
  // letter or not, "<![CDATA[" or a declaration), and is told again over more text.
  auto ranOut = [&](size_t from) {
    p_ = n_;
    ranOut_ = true;
    if (over.from + kLongestEnd > n_) return;
    passingOver_ = over;
    const size_t lastChecked = n_ > kLongestEnd ? n_ - kLongestEnd : 0;
    passingOver_.from = std::max(over.from, std::min(from, lastChecked));
  };
  size_t q = over.from;
  switch (over.kind) {
    case PassingOver::Kind::None:
      return;
    case PassingOver::Kind::Comment:  // to the first "-->" or "--!>"
      for (;; ++q) {
        q = FindMarker(text_, n_, q, "--");
        if (q == n_) break;
        if (n_ - q >= 3 && s[q + 2] == '>') {
          p_ = q + 3;
          return;
        }
        if (n_ - q >= 4 && s[q + 2] == '!' && s[q + 3] == '>') {
          p_ = q + 4;
          return;
        }
      }
      return ranOut(n_);  // an unclosed comment runs to the end of the text
    case PassingOver::Kind::CData:
      q = FindMarker(text_, n_, q, "]]>");
      if (q == n_) return ranOut(n_);
      p_ = q + 3;
      return;
    case PassingOver::Kind::ToTagEnd:
      q = Find(text_, n_, q, '>');
      if (q == n_) return ranOut(n_);
      p_ = q + 1;
      return;
    case PassingOver::Kind::ServerBlock:
      for (;; ++q) {
        q = Find(text_, n_, q, '>');
        if (q == n_) return ranOut(n_);
        if (s[q - 1] == '%') break;
      }
      p_ = q + 1;
      return;
    case PassingOver::Kind::ToMarkup:
      p_ = Find(text_, n_, q, '<');
      if (p_ == n_) ranOut(n_);
      return;
    case PassingOver::Kind::Content: {
      // Up to and past the end tag "</name".
      const std::string_view name = SkippedName(over.tag);
      for (;; ++q) {
        q = FindMarker(text_, n_, q, "</");
        if (q == n_ || n_ - q - 2 < name.size()) return ranOut(q);
        size_t i = 0;
        while (i < name.size() && AsciiLower(s[q + 2 + i]) == name[i]) ++i;
        if (i < name.size()) continue;
        const size_t after = q + 2 + name.size();
        if (after < n_ && !IsBlank(s[after]) && s[after] != '/' && s[after] != '>') continue;
        if (after == n_) return ranOut(q);
        const size_t close = TagEnd(text_, n_, after);
        if (close == n_) {  // the end tag's own end is not read yet: it is read again whole
          passingOver_ = over;
          passingOver_.from = q;
          p_ = n_;
          return;
        }
        contentEnd_ = q;
        p_ = close + 1;
        return;
      }
    }
  }
}

size_t ReadCharacterReference(const char* text, size_t p, size_t n, HtmlToken& token) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  size_t q = p + 1;
  if (q < n && s[q] == '#') {
    ++q;
    const bool hex = q < n && (s[q] == 'x' || s[q] == 'X');
    if (hex) ++q;
    const size_t digitsStart = q;
    uint32_t value = 0;
    for (; q < n; ++q) {
      unsigned char c = s[q];
      int digit;
      if (IsAsciiDigit(c)) {
        digit = c - '0';
      } else if (hex && AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f') {
        digit = AsciiLower(c) - 'a' + 10;
      } else {
        break;
      }
      value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
    }
    if (q == digitsStart) return p;
    if (q < n && s[q] == ';') ++q;
    if (value >= 0x80 && value <= 0x9F) value = Windows1252CodePoint(static_cast<unsigned char>(value));
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
    token.kind = HtmlToken::Kind::Character;
    token.count = 1;
    token.cps[0] = value;
    return q;
  }
  // A name: letters and digits, then ";" (a few common names need none).
  constexpr size_t kLongestName = 32;
  while (q < n && q - p <= kLongestName && IsAlphanumeric(s[q])) ++q;
  const char* name = text + p + 1;
  const size_t length = q - p - 1;
  if (length == 0) return p;
  if (q < n && s[q] == ';') {
    // The commonest names first.
    uint32_t common = 0;
    if (length == 2 && name[1] == 't' && (name[0] == 'l' || name[0] == 'g'))
      common = name[0] == 'l' ? '<' : '>';
    else if (length == 3 && std::memcmp(name, "amp", 3) == 0)
      common = '&';
    else if (length == 4 && std::memcmp(name, "quot", 4) == 0)
      common = '"';
    else if (length == 4 && std::memcmp(name, "nbsp", 4) == 0)
      common = 0xA0;
    if (common != 0) {
      token.kind = HtmlToken::Kind::Character;
      token.count = 1;
      token.cps[0] = common;
      token.cps[1] = 0;
      return q + 1;
    }
  }
  const NamedReference* named = nullptr;
  if (q < n && s[q] == ';') {
    named = FindNamedReference(name, length);
    if (named) ++q;
  }
  if (!named) {
    for (std::string_view bare : kNamesWithoutSemicolon) {
      if (bare.size() <= length && std::memcmp(name, bare.data(), bare.size()) == 0) {
        named = FindNamedReference(bare.data(), bare.size());
        q = p + 1 + bare.size();
        break;
      }
    }
  }
  if (!named) return p;
  token.kind = HtmlToken::Kind::Character;
  token.cps[0] = named->first;
  token.cps[1] = named->second;
  token.count = named->second != 0 ? 2 : 1;
  return q;
}

bool HtmlTokenizer::ReadReference(HtmlToken& token) {
  const size_t end = ReadCharacterReference(text_, p_, n_, token);
  if (end == p_) return false;
  p_ = end;
  return true;
}

namespace {

// Calls visit(nameStart, nameEnd, valueBegin, valueEnd) for each attribute of s[begin, end)
// (a start tag's attributes), as browsers read them, until it returns true.
template <typename Visit>
void ForEachAttribute(const unsigned char* s, size_t begin, size_t end, Visit visit) {
  size_t p = begin;
  while (p < end) {
    if (Is(s[p], kEndsName)) {  // a blank or "/"
      ++p;
      continue;
    }
    const size_t nameStart = p++;
    while (p < end && !Is(s[p], kEndsAttributeName)) ++p;
    const size_t nameEnd = p;
    while (p < end && Is(s[p], kBlankByte)) ++p;
    size_t vb = p, ve = p;
    if (p < end && s[p] == '=') {
      ++p;
      while (p < end && Is(s[p], kBlankByte)) ++p;
      if (p < end && (s[p] == '"' || s[p] == '\'')) {
        const unsigned char quote = s[p];
        vb = ++p;
        p = FindByte(reinterpret_cast<const char*>(s), end, p, static_cast<char>(quote));
        ve = p;
        if (p < end) ++p;
      } else {
        vb = p;
        while (p < end && !Is(s[p], kBlankByte)) ++p;
        ve = p;
      }
    }
    if (visit(nameStart, nameEnd, vb, ve)) return;
  }
}

}  // namespace

bool FindAttribute(const char* text, size_t begin, size_t end, std::string_view name,
                   size_t& valueBegin, size_t& valueEnd) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  // Most tags have not the name at all: look for its first two letters before reading.
  if (name.size() >= 2) {
    bool seen = false;
    for (size_t p = begin; p + 1 < end && !seen; ++p)
      seen = (s[p] | 0x20) == name[0] && (s[p + 1] | 0x20) == name[1];
    if (!seen) return false;
  }
  bool found = false;
  ForEachAttribute(s, begin, end, [&](size_t nameStart, size_t nameEnd, size_t vb, size_t ve) {
    if (nameEnd - nameStart != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
      if (AsciiLower(s[nameStart + i]) != name[i]) return false;
    valueBegin = vb;
    valueEnd = ve;
    found = true;
    return true;
  });
  return found;
}

[[gnu::noinline]] void ReadTagAttributes(const char* text, size_t begin, size_t end,
                                         TagAttributes& attributes) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  attributes.Clear();
  ForEachAttribute(s, begin, end, [&](size_t nameStart, size_t nameEnd, size_t vb, size_t ve) {
    // The names by their length, then their letters in either case.
    auto is = [&](std::string_view wanted) {
      if (nameEnd - nameStart != wanted.size()) return false;
      for (size_t i = 0; i < wanted.size(); ++i)
        if ((s[nameStart + i] | 0x20) != wanted[i]) return false;
      return true;
    };
    TagAttributes::Name name = TagAttributes::kCount;
    switch (nameEnd - nameStart) {
      case 2: if (is("id")) name = TagAttributes::kId; break;
      case 3: name = is("alt") ? TagAttributes::kAlt : is("src") ? TagAttributes::kSrc : name; break;
      case 4:
        name = is("href")   ? TagAttributes::kHref
               : is("name") ? TagAttributes::kName
               : is("type") ? TagAttributes::kType
                            : name;
        break;
      case 5:  // by the first letter ("class", the most common, is looked at once)
        switch (s[nameStart] | 0x20) {
          case 's': name = is("start") ? TagAttributes::kStart : is("style") ? TagAttributes::kStyle : name; break;
          case 'v': if (is("value")) name = TagAttributes::kValue; break;
          case 'a': if (is("align")) name = TagAttributes::kAlign; break;
          case 'w': if (is("width")) name = TagAttributes::kWidth; break;
          case 'f': if (is("frame")) name = TagAttributes::kFrame; break;
          case 'r': if (is("rules")) name = TagAttributes::kRules; break;
          case 'c': if (is("color")) name = TagAttributes::kColor; break;
          default: break;
        }
        break;
      case 6: name = is("height") ? TagAttributes::kHeight : is("border") ? TagAttributes::kBorder : name; break;
      case 7:
        name = is("colspan")   ? TagAttributes::kColspan
               : is("rowspan") ? TagAttributes::kRowspan
               : is("content") ? TagAttributes::kContent
                               : name;
        break;
      case 8: if (is("reversed")) name = TagAttributes::kReversed; break;
      default: break;
    }
    if (name != TagAttributes::kCount && !attributes.has[name]) {
      attributes.has[name] = true;
      attributes.any = true;
      attributes.begin[name] = vb;
      attributes.end[name] = ve;
    }
    return false;
  });
  attributes.looks = attributes.has[TagAttributes::kStyle] || attributes.has[TagAttributes::kAlign] ||
                     attributes.has[TagAttributes::kColor];
}

namespace {

// Whether a start tag's attributes spell "id" (places), "style" or, on a block, "align"
// (looks) anywhere, in either case (most tags' do not): by the letter pairs "id", "yl", "gn".
// (The text is read a chunk past the tag's end, as the tokenizer reads it.)
bool SpellsAUsedName(const char* text, const HtmlToken& token, AttributeUse use) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const size_t b = token.begin, e = token.end;
  const char i = use.places ? 'i' : 'y', d = use.places ? 'd' : 'l';
  const char y = use.looks ? 'y' : i, l = use.looks ? 'l' : d;
  if (FindLetterPairsReadingPast(s, b, e, i, d, y, l) < e) return true;
  const Tag tag = token.tag;
  return use.looks && (tag == Tag::P || tag == Tag::Div || IsHeading(tag)) &&
         FindLetterPairsReadingPast(s, b, e, 'g', 'n', 'g', 'n') < e;
}

}  // namespace

void ReadAttributesOfUse(const char* text, const HtmlToken& token, AttributeUse use,
                         TagAttributes& attributes) {
  const Tag tag = token.tag;
  if (tag == Tag::Title) return attributes.Clear();  // (its token holds its text)
  bool used = (tag == Tag::A && use.links) || tag == Tag::Img || tag == Tag::Base ||
              tag == Tag::Ol || tag == Tag::Li || tag == Tag::Td || tag == Tag::Th ||
              (use.looks && (tag == Tag::Table || tag == Tag::Font || tag == Tag::Meta));
  if (!used && (use.places || use.looks)) used = SpellsAUsedName(text, token, use);
  if (used)
    ReadTagAttributes(text, token.begin, token.end, attributes);
  else
    attributes.Clear();
}

long ParseAttributeNumber(const char* text, size_t begin, size_t end, long fallback) {
  size_t p = begin;
  while (p < end && IsBlank(static_cast<unsigned char>(text[p]))) ++p;
  bool negative = false;
  if (p < end && (text[p] == '-' || text[p] == '+')) negative = text[p++] == '-';
  if (p == end || !IsAsciiDigit(static_cast<unsigned char>(text[p]))) return fallback;
  long value = 0;
  constexpr long kLimit = 1000000000;
  for (; p < end && IsAsciiDigit(static_cast<unsigned char>(text[p])); ++p)
    if (value < kLimit) value = value * 10 + (text[p] - '0');
  if (value > kLimit) value = kLimit;
  return negative ? -value : value;
}

}  // namespace vellumine
