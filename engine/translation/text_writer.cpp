#include "text_writer.h"

#include <cstdint>
#include <cstring>

#include "translation/ascii.h"
#include "fast/byte_scan.h"
#include "fast/split_translation.h"
#include "translation/text_references.h"
#include "fast/text_runs.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine {
namespace {

// How the fast loops treat a byte.
enum : unsigned char {
  kPlain = 0,  // written through the mapper (text) or dropped (inside a tag)
  kBlank = 1,  // line feed, blank, tab: white space in text
  kStop = 2,   // "<", "&", and inside a tag also ">": needs the full step
};

struct ByteClasses {
  unsigned char text[256] = {};  // while textOn is set
  unsigned char tag[256] = {};   // while textOn is clear
  constexpr ByteClasses() {
    text[static_cast<unsigned char>('\n')] = kBlank;
    text[static_cast<unsigned char>(' ')] = kBlank;
    text[static_cast<unsigned char>('\t')] = kBlank;
    text[static_cast<unsigned char>('<')] = kStop;
    text[static_cast<unsigned char>('&')] = kStop;
    tag[static_cast<unsigned char>('<')] = kStop;
    tag[static_cast<unsigned char>('&')] = kStop;
    tag[static_cast<unsigned char>('>')] = kStop;
  }
};
constexpr ByteClasses kClasses;

// The line-break form that starts at p, or -1: 0 "</p>", 1 "<p>", 2 "</h?>", 3 "<br>",
// 4 "<li>". At most one can match at a position. kFormLength gives its length.
constexpr size_t kFormLength[5] = {4, 3, 5, 4, 4};

// Byte by byte, for the last bytes of the text.
inline int FormAtEnd(const unsigned char* s, size_t n, size_t p) {
  if (n - p < 3) return -1;
  unsigned char c1 = AsciiLower(s[p + 1]);
  unsigned char c2 = AsciiLower(s[p + 2]);
  switch (c1) {
    case '/':
      if (c2 == 'p' && n - p > 3 && s[p + 3] == '>') return 0;
      if (c2 == 'h' && n - p > 4 && s[p + 4] == '>') return 2;
      return -1;
    case 'p':
      return c2 == '>' ? 1 : -1;
    case 'b':
      return c2 == 'r' && n - p > 3 && s[p + 3] == '>' ? 3 : -1;
    case 'l':
      return c2 == 'i' && n - p > 3 && s[p + 3] == '>' ? 4 : -1;
    default:
      return -1;
  }
}

// The four bytes from p as one number, the first in the low byte.
inline uint32_t Word4(const unsigned char* s) {
  return static_cast<uint32_t>(s[0]) | static_cast<uint32_t>(s[1]) << 8 |
         static_cast<uint32_t>(s[2]) << 16 | static_cast<uint32_t>(s[3]) << 24;
}

// Whether the word holds a form: letter bytes are compared with 0x20 set (either case),
// the other bytes exactly; `bytes` selects the form's bytes.
constexpr bool HoldsForm(uint32_t word, uint32_t form, uint32_t letters, uint32_t bytes) {
  return ((word | letters) & bytes) == form;
}

[[gnu::always_inline]] inline int FormAt(const unsigned char* s, size_t n, size_t p) {
  if (n - p < 5) return FormAtEnd(s, n, p);
  // All five compared at once; the comparisons do not branch.
  const uint32_t w = Word4(s + p);
  constexpr uint32_t kLt = '<', kSlash = '/' << 8;
  const bool closeP = HoldsForm(w, kLt | kSlash | 'p' << 16 | '>' << 24, 0x20 << 16, 0xFFFFFFFF);
  const bool openP = HoldsForm(w, kLt | 'p' << 8 | '>' << 16, 0x20 << 8, 0x00FFFFFF);
  const bool closeH = HoldsForm(w, kLt | kSlash | 'h' << 16, 0x20 << 16, 0x00FFFFFF) &
                      (s[p + 4] == '>');
  const bool br = HoldsForm(w, kLt | 'b' << 8 | 'r' << 16 | '>' << 24, 0x2020 << 8, 0xFFFFFFFF);
  const bool li = HoldsForm(w, kLt | 'l' << 8 | 'i' << 16 | '>' << 24, 0x2020 << 8, 0xFFFFFFFF);
  int form = -1;
  form = li ? 4 : form;
  form = br ? 3 : form;
  form = closeH ? 2 : form;
  form = openP ? 1 : form;
  form = closeP ? 0 : form;
  return form;
}

// What decides how the next step writes.
struct TextFlow {
  bool textOn = false;       // the bytes under the cursor are text, not a tag being skipped
  bool blankAllowed = true;  // no blank since the last visible byte, and the last byte
                             // written is not a line feed
  bool operator==(const TextFlow&) const = default;
};

// The steps that start from p up to end, written at o (which moves on); returns where the
// next step starts. With kIdentity the mapper is known to change nothing, and runs of text
// are copied whole; with kUtf8 the page is UTF-8; with kRecode the page is in a single-byte
// set and the text is written in UTF-8, each mapped byte from 0x80 up as its character.
template <bool kIdentity, bool kUtf8, bool kRecode>
size_t Translate(const char* text, size_t n, size_t p, size_t end, TextFlow& flow,
                 const EncodingChoice& encoding, TextCharset charset, ProgressTicks& ticks,
                 unsigned char*& out) {
  const unsigned char* const s = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* const map = encoding.mapper.table;
  constexpr bool utf8 = kUtf8;
  // Mapped bytes of the page's set written as their UTF-8 characters (the unassigned 0x98
  // of windows-1251 as nothing); a step, and a visible byte, however many bytes it gives.
  auto recode = [&](unsigned char c, unsigned char*& at) {
    at += EncodeWindowsByteAsUtf8(map[c], encoding.cyrillic, reinterpret_cast<char*>(at));
  };
  unsigned char* o = out;
  bool textOn = flow.textOn;
  bool blankAllowed = flow.blankAllowed;
  while (p < end) {
    // One full step at p.
    ticks.Check(p);
    if (s[p] == '<') {
      // The line-break forms are tested once each, in their order, every test at the
      // position the previous match left.
      int next = 0;
      for (int form; p < n && s[p] == '<' && (form = FormAt(s, n, p)) >= next; next = form + 1) {
        *o++ = '\n';
        blankAllowed = false;
        p += kFormLength[form];
        if (form == 3) {  // "<br>" takes the line feeds and blanks after it
          while (p < n && (s[p] == '\n' || s[p] == ' ')) ++p;
        }
      }
      if (p >= n) break;
    }
    if (!textOn && p > 0 && s[p - 1] == '>' && s[p] != '<') textOn = true;

    unsigned char ch = s[p];
    if (ch == '&') {
      size_t last = n - p > 10 ? p + 10 : n;
      size_t semi = p + 1;
      while (semi < last && s[semi] != ';') ++semi;
      if (semi < last) {
        uint32_t cps[2];
        size_t count = textOn ? ResolveReference(text + p + 1, semi - p - 1, cps) : 0;
        for (size_t i = 0; i < count; ++i) {
          size_t length = 0;
          switch (EncodeReferenceCharacter(cps[i], encoding.mapper, charset, o, length)) {
            case ReferenceOutput::Bytes:
              o += length;
              blankAllowed = true;
              break;
            case ReferenceOutput::WhiteSpace:
              if (blankAllowed) {
                *o++ = ' ';
                blankAllowed = false;
              }
              break;
            case ReferenceOutput::Removed:
              break;
          }
        }
        p = semi + 1;
        continue;
      }
      // No ";" within reach: the "&" is an ordinary byte.
    }
    if (ch == '<') {
      textOn = false;
    } else if (textOn) {
      if (kClasses.text[ch] == kBlank) {
        if (blankAllowed) {
          *o++ = ' ';
          blankAllowed = false;
        }
      } else if (utf8 && ch >= 0x80) {
        size_t written;
        size_t length = CopyUtf8Character(s, n, p, o, written);
        o += written;
        blankAllowed = true;
        ticks.Pass(p + 1, p + length);  // the character's other bytes are steps too
        p += length - 1;
      } else if (kRecode && ch >= 0x80) {
        recode(ch, o);
        blankAllowed = true;
      } else {
        *o++ = map[ch];
        blankAllowed = true;
      }
    }
    ++p;

    // Then as many steps as possible that need none of the above: steps that drop the
    // bytes of a tag, copy text and collapse white space, and steps on a "<" that starts
    // no line-break form (they only turn text off). Ticks lie beyond `limit`.
    const size_t limit =
        ticks.nextPosition() >= p && ticks.nextPosition() < end ? ticks.nextPosition() : end;
    for (;;) {
      if (!textOn) {
        // Inside a tag, up to its ">". The byte after it turns text on, unless it is a "<".
        if (p >= limit || s[p - 1] == '>') break;
        for (;;) {
          // A chunk without a stop is passed without waiting for where a stop would be.
          if (limit - p >= kScanChunk) {
            ScanBits stops = TagStops(s + p);
            if (!stops) {
              p += kScanChunk;
              continue;
            }
            p += FirstSetByte(stops);
            break;
          } else {
            while (p < limit && kClasses.tag[s[p]] == kPlain) ++p;
            break;
          }
        }
        if (p >= limit || s[p] != '>') break;
        ++p;
        if (p >= n) break;
        if (s[p] == '<') {
          if (p >= limit || FormAt(s, n, p) >= 0) break;
          ++p;  // a tag right after a tag
          continue;
        }
        textOn = true;
      }
      // In text: visible bytes and single blanks are copied through the mapper a chunk at
      // a time; white space otherwise gives at most one blank.
      while (p < limit) {
        if (limit - p >= kScanChunk) {
          // Room: o <= 3p (o <= p but in a UTF-8 page) and p + chunk <= n, so a whole
          // chunk fits at o.
          unsigned char blanked[kScanChunk];
          unsigned char* chunk = kIdentity ? o : blanked;
          ScanBits stops = TextStops<utf8 || kRecode ? HighBytes::Stop : HighBytes::Plain>(
              s + p, blankAllowed, chunk);
          if (!stops) {
            if (!kIdentity) {
              for (size_t i = 0; i < kScanChunk; ++i) o[i] = map[blanked[i]];
            }
            blankAllowed = kClasses.text[s[p + kScanChunk - 1]] != kBlank;
            o += kScanChunk;
            p += kScanChunk;
            continue;
          }
          size_t k = FirstSetByte(stops);
          if (k > 0) {
            if (!kIdentity) {
              for (size_t i = 0; i < k; ++i) o[i] = map[blanked[i]];
            }
            blankAllowed = chunk[k - 1] != ' ';
            o += k;
            p += k;
          }
        }
        unsigned char c = s[p];
        if (kRecode && c >= 0x80) {
          do {
            recode(s[p++], o);
          } while (p < limit && s[p] >= 0x80);
          blankAllowed = true;
          continue;
        }
        if (utf8 && c >= 0x80) {
          // At a character of a UTF-8 page: the chunk from here as above, its whole
          // characters taken with it (the page's UTF-8 is copied as it stands).
          if (limit - p >= kScanChunk) {
            if (size_t k = CopyWholeCharacters(s + p, blankAllowed, o)) {
              o += k;
              p += k;
              continue;
            }
          }
          // Near the end, or where a byte is part of no well-formed sequence: the
          // characters up to the next ASCII byte one at a time; one that reaches the next
          // tick is left to the full step, which reports it.
          // (Written at o in any case: there is room, and o only moves when it is kept.)
          do {
            size_t written;
            size_t length = CopyUtf8Character(s, n, p, o, written);
            if (p + length > limit) break;
            o += written;
            p += length;
            blankAllowed = true;
          } while (p < limit && s[p] >= 0x80);
          if (p < limit && s[p] >= 0x80) break;
          continue;
        }
        unsigned char cls = kClasses.text[c];
        if (cls == kStop) break;
        if (cls == kPlain) {
          *o++ = map[c];
          blankAllowed = true;
          ++p;
          continue;
        }
        // A run of white space (as an indented line starts with) at once: one blank at most.
        if (blankAllowed) {
          *o++ = ' ';
          blankAllowed = false;
        }
        do {
          ++p;
        } while (p < limit && kClasses.text[s[p]] == kBlank);
      }
      if (p >= limit || s[p] != '<' || FormAt(s, n, p) >= 0) break;
      textOn = false;
      ++p;
    }
  }
  out = o;
  flow = {textOn, blankAllowed};
  return p;
}

// The plain-text translation of one text, or of one half of it, as the halves drive it.
class TextTranslation {
 public:
  struct Mark : HalfMark {
    TextFlow flow;
    bool SameCourse(const Mark& other) const { return flow == other.flow; }
  };

  // With a stream the output goes there a piece of text at a time.
  TextTranslation(const TranslationInput& input, ProgressTicks& ticks, unsigned char* out,
                  OutputStream* stream)
      : text_(input.text), n_(input.n), encoding_(input.encoding),
        charset_(ChooseTextCharset(input.encoding, input.textAsUtf8)), ticks_(ticks),
        stream_(stream), streamPiece_(input.streamPiece), start_(out), out_(out) {
    // A UTF-8 page is always read with the identity mapper.
    const bool identity = encoding_.mapper == MapIdentity;
    const bool recode = !encoding_.utf8 && charset_ == TextCharset::Utf8;
    run_ = encoding_.utf8           ? &Translate<true, true, false>
           : identity && recode     ? &Translate<true, false, true>
           : identity               ? &Translate<true, false, false>
           : recode                 ? &Translate<false, false, true>
                                    : &Translate<false, false, false>;
  }

  size_t position() const { return p_; }
  size_t written() const { return static_cast<size_t>(out_ - start_); }
  void Run(size_t end) {
    p_ = RunInPieces(
        p_, end < n_ ? end : n_, stream_, streamPiece_,
        [&](size_t from, size_t limit) {
          return run_(text_, n_, from, limit, flow_, encoding_, charset_, ticks_, out_);
        },
        [&] { Drain(); });
  }
  Mark Marked() const { return {{p_, written(), ticks_.MarkAt(p_)}, flow_}; }

  // A second half guesses text on and a blank allowed (a tag right after a word).
  void StartAt(size_t q) {
    p_ = q;
    flow_ = {true, true};
  }

  bool Take(const TextTranslation& second, const Mark& from) {
    const size_t bytes = second.written() - from.written;
    if (stream_ != nullptr) {  // every Run has drained what it wrote
      stream_->Write(reinterpret_cast<const char*>(second.start_ + from.written), bytes);
    } else {
      std::memcpy(out_, second.start_ + from.written, bytes);
      out_ += bytes;
    }
    ticks_.Replay(ticks_.MarkAt(p_), from.ticks, second.ticks_);
    p_ = second.p_;
    flow_ = second.flow_;
    return true;
  }

 private:
  using Run_ = size_t (*)(const char*, size_t, size_t, size_t, TextFlow&, const EncodingChoice&,
                          TextCharset, ProgressTicks&, unsigned char*&);
  void Drain() {
    stream_->Write(reinterpret_cast<const char*>(start_), written());
    out_ = start_;
  }

  const char* text_;
  size_t n_;
  const EncodingChoice& encoding_;
  TextCharset charset_;
  ProgressTicks& ticks_;
  OutputStream* stream_;
  size_t streamPiece_;
  unsigned char* start_;
  unsigned char* out_;
  size_t p_ = 0;
  TextFlow flow_;
  Run_ run_;
};

}  // namespace

void TranslateToText(const TranslationInput& input, ByteBuffer& body) {
  const size_t n = input.n;
  // Every step writes at most one byte for each it consumes (three in UTF-8 text, where a
  // stray byte or a byte of another set becomes a character of up to three), so that much
  // room is enough and the loops write through a plain pointer (a whole chunk at a time).
  const bool utf8Text = ChooseTextCharset(input.encoding, input.textAsUtf8) == TextCharset::Utf8;
  auto room = [&](size_t bytes) { return utf8Text ? 3 * bytes + kScanChunk : bytes; };
  if (!body.Reserve(room(n))) return;
  TextTranslation whole(input, input.ticks,
                        reinterpret_cast<unsigned char*>(body.data() + body.size()), input.stream);
  ByteBuffer secondBody;
  if (n >= input.splitFrom && n >= 2) {
    const size_t q = SecondHalfStart(input.text, n);
    ProgressTicks secondTicks = input.ticks.ForSecondHalf(q);
    if (secondBody.Allocate(room(n - q))) {
      TextTranslation second(input, secondTicks,
                             reinterpret_cast<unsigned char*>(secondBody.data()), nullptr);
      TranslateInHalves(whole, second, n, q);
    }
  }
  if (whole.position() < n) whole.Run(n);
  body.Resize(body.size() + whole.written());
}

}  // namespace vellumine
