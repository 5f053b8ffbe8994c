#include "prepare_text.h"

#include <cstring>

#include "translation/ascii.h"
#include "fast/byte_scan.h"

namespace vellumine {
namespace {

constexpr size_t kNotFound = static_cast<size_t>(-1);

// The three spellings of script and style that open or close a block.
template <size_t L>
bool MatchSpellings(const char* text, size_t n, size_t p, const char (&lower)[L],
                    const char (&capital)[L], const char (&upper)[L]) {
  return MatchExact(text, n, p, lower) || MatchExact(text, n, p, capital) ||
         MatchExact(text, n, p, upper);
}

// First position from p where `matches` holds at a "<", or kNotFound.
template <typename Matches>
size_t FindTag(const char* text, size_t n, size_t p, Matches matches) {
  while (p < n) {
    const void* lt = std::memchr(text + p, '<', n - p);
    if (!lt) return kNotFound;
    p = static_cast<size_t>(static_cast<const char*>(lt) - text);
    if (matches(p)) return p;
    ++p;
  }
  return kNotFound;
}

// Where the end of a block of kind starts, looking from `from` (the block's start or later)
// in text[0, n); kNotFound when it has none there. endLength: the bytes of the end that go
// with the block (a script's goes on a byte past its name).
size_t FindBlockEndFrom(RemovedBlock kind, const char* text, size_t n, size_t from,
                        size_t& endLength) {
  switch (kind) {
    case RemovedBlock::Title:
      endLength = 8;
      return FindTag(text, n, from, [&](size_t p) { return MatchNoCase(text, n, p, "</title>"); });
    case RemovedBlock::Script:
      endLength = 9;  // the byte after the name (normally ">") goes too
      return FindTag(text, n, from, [&](size_t p) {
        return MatchSpellings(text, n, p, "</script", "</Script", "</SCRIPT");
      });
    case RemovedBlock::Style:
      endLength = 8;
      return FindTag(text, n, from, [&](size_t p) {
        return MatchSpellings(text, n, p, "</style>", "</Style>", "</STYLE>");
      });
    case RemovedBlock::Option:
      endLength = 9;
      return FindTag(text, n, from, [&](size_t p) { return MatchNoCase(text, n, p, "</option>"); });
    case RemovedBlock::Server:
      // Ends at the first ">" directly after a "%"; the opening's own "%" counts ("<%>").
      endLength = 1;
      for (size_t p = from; p < n;) {
        const void* gt = std::memchr(text + p, '>', n - p);
        if (!gt) break;
        p = static_cast<size_t>(static_cast<const char*>(gt) - text);
        if (text[p - 1] == '%') return p;
        ++p;
      }
      return kNotFound;
    case RemovedBlock::None:
      break;
  }
  return kNotFound;
}

// The byte after a block whose end starts at `end` (kNotFound: it has none), or n when the
// block runs to the text's end. With crlf set the text is as read from a file, where a
// CR LF pair is one byte of the text.
size_t AfterBlock(const char* text, size_t n, size_t end, size_t endLength, bool crlf) {
  if (end == kNotFound) return n;
  if (crlf && endLength == 9 && n - end > 9 && text[end + 8] == '\r' && text[end + 9] == '\n')
    endLength = 10;  // the byte after the script's name is a CR LF pair
  return n - end <= endLength ? n : end + endLength;
}

// The byte after the end of the block that starts at i, or n when the block has no end.
// False when no block starts at i.
bool SkipBlock(const char* text, size_t n, size_t i, bool crlf, size_t& resume) {
  const RemovedBlock kind = RemovedBlockAt(text, n, i);
  if (kind == RemovedBlock::None) return false;
  size_t endLength = 0;
  const size_t end = FindBlockEndFrom(kind, text, n, BlockEndSearchStart(kind, i), endLength);
  resume = AfterBlock(text, n, end, endLength, crlf);
  return true;
}

// Where a block can start: "<ti", "<sc", "<sty", "<op" (letters in either case) and "<%".
// Reads kBlockCandidateReach bytes from s.
constexpr size_t kBlockCandidateReach = kScanChunk + 3;
inline ByteMask BlockCandidates(const unsigned char* s) {
  ScanChunk here(s);
  ScanChunk first(s + 1);
  ScanChunk second(s + 2);
  ScanChunk third(s + 3);
  ByteMask t = first.EqualNoCase('t') & second.EqualNoCase('i');
  ByteMask sc = second.EqualNoCase('c') | (second.EqualNoCase('t') & third.EqualNoCase('y'));
  ByteMask o = first.EqualNoCase('o') & second.EqualNoCase('p');
  return here.Equal('<') & (t | (first.EqualNoCase('s') & sc) | o | first.Equal('%'));
}

}  // namespace

RemovedBlock RemovedBlockAt(const char* text, size_t n, size_t i) {
  if (n - i < 2) return RemovedBlock::None;
  switch (AsciiLower(static_cast<unsigned char>(text[i + 1]))) {
    case 't':
      return MatchNoCase(text, n, i, "<title>") ? RemovedBlock::Title : RemovedBlock::None;
    case 's':
      if (MatchSpellings(text, n, i, "<script", "<Script", "<SCRIPT")) return RemovedBlock::Script;
      if (MatchSpellings(text, n, i, "<style", "<Style", "<STYLE")) return RemovedBlock::Style;
      return RemovedBlock::None;
    case 'o':
      if (!MatchNoCase(text, n, i, "<option") || n - i < 8 ||
          (text[i + 7] != '>' && text[i + 7] != ' '))
        return RemovedBlock::None;
      return RemovedBlock::Option;
    case '%':
      return RemovedBlock::Server;
    default:
      return RemovedBlock::None;
  }
}

BlockEnd FindBlockEnd(RemovedBlock kind, const char* raw, size_t n, size_t from) {
  size_t endLength = 0;
  const size_t end = FindBlockEndFrom(kind, raw, n, from, endLength);
  if (end == kNotFound) return {};
  return {true, end, AfterBlock(raw, n, end, endLength, true)};
}

size_t PrepareText(const char* raw, size_t n, char* prepared) {
  // Bytes are copied in runs, each from the end of one block to the start of the next;
  // the chunks are searched for the pairs that can start a block.
  const unsigned char* const s = reinterpret_cast<const unsigned char*>(raw);
  size_t runStart = 0;
  size_t out = 0;
  size_t i = 0;
  while (i < n) {
    if (n - i >= kBlockCandidateReach) {
      ScanBits candidates = BlockCandidates(s + i).Bits();
      if (!candidates) {
        i += kScanChunk;
        continue;
      }
      i += FirstSetByte(candidates);
    } else if (s[i] != '<') {
      ++i;
      continue;
    }
    size_t resume;
    if (!SkipBlock(raw, n, i, false, resume)) {
      ++i;
      continue;
    }
    std::memcpy(prepared + out, raw + runStart, i - runStart);
    out += i - runStart;
    i = runStart = resume;
  }
  std::memcpy(prepared + out, raw + runStart, n - runStart);
  return out + (n - runStart);
}

PreparedPart PrepareRawTextPart(const char* raw, size_t n, size_t begin, size_t limit,
                                char* prepared) {
  // A chunk at a time up to the next carriage return, 0x1A or possible block start; the
  // chunk is stored whole and the output advances by the bytes taken (out <= in - begin and
  // a chunk is taken only below limit, so a whole chunk always fits before the output
  // that the part from limit on writes).
  const unsigned char* const s = reinterpret_cast<const unsigned char*>(raw);
  unsigned char* const d = reinterpret_cast<unsigned char*>(prepared);
  size_t in = begin;
  size_t out = 0;
  while (in < limit) {
    if (limit - in > kScanChunk && n - in >= kBlockCandidateReach) {
      ScanChunk chunk(s + in);
      ScanBits stops = (chunk.Equal('\r') | chunk.Equal('\x1A') | BlockCandidates(s + in)).Bits();
      chunk.Store(d + out);
      if (!stops) {  // passed without waiting for where a stop would be
        in += kScanChunk;
        out += kScanChunk;
        continue;
      }
      size_t k = FirstSetByte(stops);
      in += k;
      out += k;
    }
    unsigned char c = s[in];
    if (c == 0x1A) return {out, in, true};  // the end of the text: nothing after it is read
    if (c == '\r' && n - in > 1 && s[in + 1] == '\n') {
      ++in;  // the line feed is copied next
      continue;
    }
    size_t resume;
    if (c == '<' && SkipBlock(raw, n, in, true, resume)) {
      // The block's end was searched for in the raw bytes: when a 0x1A comes first, the
      // text ends inside the block, which then has no end.
      if (const void* eof = std::memchr(s + in, 0x1A, resume - in))
        return {out, static_cast<size_t>(static_cast<const unsigned char*>(eof) - s), true};
      // A block that runs to the end of the text, or whose end may go on past it: the part
      // stops at it.
      if (resume == n) return {out, in, false, true};
      in = resume;
      continue;
    }
    d[out++] = c;
    ++in;
  }
  return {out, in, false};
}

size_t PrepareRawText(const char* raw, size_t n, char* prepared, size_t* readLength) {
  PreparedPart part = PrepareRawTextPart(raw, n, 0, n, prepared);
  if (readLength) *readLength = part.ended ? part.stop : n;
  return part.written;
}

}  // namespace vellumine
