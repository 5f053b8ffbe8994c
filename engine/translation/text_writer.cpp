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

// The line-break forms, in the order they are tried at a position. At most one can match
// at a position.
enum class BreakForm : int {
  None = -1,
  ParagraphEnd,  // "</p>"
  Paragraph,     // "<p>"
  HeadingEnd,    // "</h?>"
  LineBreak,     // "<br>", which also takes the line feeds and blanks after it
  ListItem,      // "<li>"
};

constexpr size_t FormLength(BreakForm form) {
  constexpr size_t kLengths[] = {4, 3, 5, 4, 4};
  return kLengths[static_cast<int>(form)];
}

constexpr BreakForm After(BreakForm form) { return static_cast<BreakForm>(static_cast<int>(form) + 1); }

// Byte by byte, for the last bytes of the text.
inline BreakForm FormAtEnd(const unsigned char* s, size_t n, size_t p) {
  if (n - p < 3) return BreakForm::None;
  unsigned char c1 = AsciiLower(s[p + 1]);
  unsigned char c2 = AsciiLower(s[p + 2]);
  switch (c1) {
    case '/':
      if (c2 == 'p' && n - p > 3 && s[p + 3] == '>') return BreakForm::ParagraphEnd;
      if (c2 == 'h' && n - p > 4 && s[p + 4] == '>') return BreakForm::HeadingEnd;
      return BreakForm::None;
    case 'p':
      return c2 == '>' ? BreakForm::Paragraph : BreakForm::None;
    case 'b':
      return c2 == 'r' && n - p > 3 && s[p + 3] == '>' ? BreakForm::LineBreak : BreakForm::None;
    case 'l':
      return c2 == 'i' && n - p > 3 && s[p + 3] == '>' ? BreakForm::ListItem : BreakForm::None;
    default:
      return BreakForm::None;
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

// The line-break form that starts at p.
[[gnu::always_inline]] inline BreakForm FormAt(const unsigned char* s, size_t n, size_t p) {
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
  BreakForm form = BreakForm::None;
  form = li ? BreakForm::ListItem : form;
  form = br ? BreakForm::LineBreak : form;
  form = closeH ? BreakForm::HeadingEnd : form;
  form = openP ? BreakForm::Paragraph : form;
  form = closeP ? BreakForm::ParagraphEnd : form;
  return form;
}

// What decides how the next step writes.
struct TextFlow {
  bool textOn = false;       // the bytes under the cursor are text, not a tag being skipped
  bool blankAllowed = true;  // no blank since the last visible byte, and the last byte
                             // written is not a line feed
  bool operator==(const TextFlow&) const = default;
};

// How the pass writes a page's bytes: with kIdentity the mapper is known to change nothing,
// and runs of text are copied whole; with kUtf8 the page is UTF-8; with kRecode the page is
// in a single-byte set and the text is written in UTF-8, each mapped byte from 0x80 up as
// its character.
template <bool kIdentity_, bool kUtf8_, bool kRecode_>
struct TextBytes {
  static constexpr bool kIdentity = kIdentity_;
  static constexpr bool kUtf8 = kUtf8_;
  static constexpr bool kRecode = kRecode_;
  static constexpr bool kHighBytesStop = kUtf8 || kRecode;  // the chunks stop at 0x80 and up

  const unsigned char* s;
  size_t n;
  const unsigned char* map;
  bool cyrillic;

  // Mapped bytes of the page's set written as their UTF-8 characters (the unassigned 0x98
  // of windows-1251 as nothing); a step, and a visible byte, however many bytes it gives.
  [[gnu::always_inline]] void Recode(unsigned char c, unsigned char*& o) const {
    o += EncodeWindowsByteAsUtf8(map[c], cyrillic, reinterpret_cast<char*>(o));
  }
};

// The line-break forms at p, each tried once, in their order, every test at the position
// the previous match left; returns where the step goes on.
[[gnu::always_inline]] inline size_t TakeLineBreaks(const unsigned char* s, size_t n, size_t p,
                                                    unsigned char*& o, bool& blankAllowed) {
  BreakForm next = BreakForm::ParagraphEnd;
  for (BreakForm form; p < n && s[p] == '<' && (form = FormAt(s, n, p)) >= next;
       next = After(form)) {
    *o++ = '\n';
    blankAllowed = false;
    p += FormLength(form);
    if (form == BreakForm::LineBreak) {
      while (p < n && (s[p] == '\n' || s[p] == ' ')) ++p;
    }
  }
  return p;
}

// A reference whose "&" is at p, when its ";" is within reach: its characters written in
// the output's set (only in text), and true with p after the ";". False: the "&" is an
// ordinary byte.
[[gnu::always_inline]] inline bool TakeReference(const char* text, size_t n, size_t& p, bool textOn,
                                                 CharMapper mapper, TextCharset charset,
                                                 unsigned char*& o, bool& blankAllowed) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  size_t last = n - p > 10 ? p + 10 : n;
  size_t semi = p + 1;
  while (semi < last && s[semi] != ';') ++semi;
  if (semi >= last) return false;
  uint32_t cps[2];
  size_t count = textOn ? ResolveReference(text + p + 1, semi - p - 1, cps) : 0;
  for (size_t i = 0; i < count; ++i) {
    size_t length = 0;
    switch (EncodeReferenceCharacter(cps[i], mapper, charset, o, length)) {
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
  return true;
}

// One byte of text (or of a tag, which writes nothing) in a full step; returns the bytes
// the step took (a UTF-8 page's character takes all of its own).
template <typename Bytes>
[[gnu::always_inline]] inline size_t TakeByte(const Bytes& b, size_t p, bool textOn,
                                              ProgressTicks& ticks, unsigned char*& o,
                                              bool& blankAllowed) {
  const unsigned char ch = b.s[p];
  if (!textOn) return 1;
  if (kClasses.text[ch] == kBlank) {
    if (blankAllowed) {
      *o++ = ' ';
      blankAllowed = false;
    }
    return 1;
  }
  blankAllowed = true;
  if constexpr (Bytes::kUtf8) {
    if (ch >= 0x80) {
      size_t written;
      size_t length = CopyUtf8Character(b.s, b.n, p, o, written);
      o += written;
      ticks.Pass(p + 1, p + length);  // the character's other bytes are steps too
      return length;
    }
  }
  if constexpr (Bytes::kRecode) {
    if (ch >= 0x80) {
      b.Recode(ch, o);
      return 1;
    }
  }
  *o++ = b.map[ch];
  return 1;
}

// Inside a tag, up to `limit`: the bytes up to the next "<", "&" or ">" passed; returns
// where the skip stopped.
[[gnu::always_inline]] inline size_t SkipTagBytes(const unsigned char* s, size_t p, size_t limit) {
  // A chunk without a stop is passed without waiting for where a stop would be.
  while (limit - p >= kScanChunk) {
    ScanBits stops = TagStops(s + p);
    if (stops) return p + FirstSetByte(stops);
    p += kScanChunk;
  }
  while (p < limit && kClasses.tag[s[p]] == kPlain) ++p;
  return p;
}

// In text, up to `limit`: visible bytes and single blanks copied through the mapper a chunk
// at a time, white space otherwise as one blank at most, a UTF-8 page's characters as they
// stand; returns where it stopped (at a "<", an "&", the limit, or a character of a UTF-8
// page the full step must take).
template <typename Bytes>
[[gnu::always_inline]] inline size_t CopyText(const Bytes& b, size_t p, size_t limit,
                                              unsigned char*& o, bool& blankAllowed) {
  constexpr bool kIdentity = Bytes::kIdentity;
  const unsigned char* const s = b.s;
  const unsigned char* const map = b.map;
  while (p < limit) {
    if (limit - p >= kScanChunk) {
      // Room: o <= 3p (o <= p in a single-byte text) and p + chunk <= n, so a whole
      // chunk fits at o.
      unsigned char blanked[kScanChunk];
      unsigned char* chunk = kIdentity ? o : blanked;
      ScanBits stops = TextStops<Bytes::kHighBytesStop ? HighBytes::Stop : HighBytes::Plain>(
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
    if constexpr (Bytes::kRecode) {
      if (c >= 0x80) {
        do {
          b.Recode(s[p++], o);
        } while (p < limit && s[p] >= 0x80);
        blankAllowed = true;
        continue;
      }
    }
    if constexpr (Bytes::kUtf8) {
      if (c >= 0x80) {
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
          size_t length = CopyUtf8Character(s, b.n, p, o, written);
          if (p + length > limit) break;
          o += written;
          p += length;
          blankAllowed = true;
        } while (p < limit && s[p] >= 0x80);
        if (p < limit && s[p] >= 0x80) return p;
        continue;
      }
    }
    unsigned char cls = kClasses.text[c];
    if (cls == kStop) return p;
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
  return p;
}

// The steps that start from p up to end, written at o (which moves on); returns where the
// next step starts. Each full step (line breaks, a reference, one byte) is followed by as
// many as possible that need none of it: the bytes of a tag dropped, text copied, and a "<"
// that starts no line-break form (it only turns text off). Ticks lie beyond those.
template <bool kIdentity, bool kUtf8, bool kRecode>
size_t Translate(const char* text, size_t n, size_t p, size_t end, TextFlow& flow,
                 const EncodingChoice& encoding, TextCharset charset, ProgressTicks& ticks,
                 unsigned char*& out) {
  using Bytes = TextBytes<kIdentity, kUtf8, kRecode>;
  const Bytes bytes{reinterpret_cast<const unsigned char*>(text), n, encoding.mapper.table,
                    encoding.cyrillic};
  const unsigned char* const s = bytes.s;
  unsigned char* o = out;
  bool textOn = flow.textOn;
  bool blankAllowed = flow.blankAllowed;
  while (p < end) {
    // One full step at p.
    ticks.Check(p);
    if (s[p] == '<') {
      p = TakeLineBreaks(s, n, p, o, blankAllowed);
      if (p >= n) break;
    }
    if (!textOn && p > 0 && s[p - 1] == '>' && s[p] != '<') textOn = true;
    if (s[p] == '&' &&
        TakeReference(text, n, p, textOn, encoding.mapper, charset, o, blankAllowed))
      continue;
    if (s[p] == '<') {
      textOn = false;
      ++p;
    } else {
      p += TakeByte(bytes, p, textOn, ticks, o, blankAllowed);
    }

    const size_t limit =
        ticks.nextPosition() >= p && ticks.nextPosition() < end ? ticks.nextPosition() : end;
    for (;;) {
      if (!textOn) {
        // Inside a tag, up to its ">". The byte after it turns text on, unless it is a "<".
        if (p >= limit || s[p - 1] == '>') break;
        p = SkipTagBytes(s, p, limit);
        if (p >= limit || s[p] != '>') break;
        ++p;
        if (p >= n) break;
        if (s[p] == '<') {
          if (p >= limit || FormAt(s, n, p) != BreakForm::None) break;
          ++p;  // a tag right after a tag
          continue;
        }
        textOn = true;
      }
      p = CopyText(bytes, p, limit, o, blankAllowed);
      if (p >= limit || s[p] != '<' || FormAt(s, n, p) != BreakForm::None) break;
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

  // Over a text read as it goes: its length so far, where the output goes (with nothing
  // written yet), and the state to go back to (with nothing written since the output was
  // set).
  void SetText(const char* text, size_t n) {
    text_ = text;
    n_ = n;
  }
  void Shift(size_t k) { p_ -= k; }
  void SetOutput(unsigned char* out) { start_ = out_ = out; }
  struct Saved {
    size_t p;
    TextFlow flow;
  };
  Saved Save() const { return {p_, flow_}; }
  void Restore(const Saved& saved) {
    p_ = saved.p;
    flow_ = saved.flow;
    out_ = start_;
  }
  const unsigned char* output() const { return start_; }

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

// A plain-text translation over a text read as it goes, as TranslateAsItGoes drives it: each
// window's output in a buffer with room for all that its steps can write.
class TextWindows {
 public:
  TextWindows(TextTranslation& t, bool utf8Text, OutputStream& out)
      : t_(t), utf8Text_(utf8Text), out_(out) {}

  size_t position() const { return t_.position(); }
  void SetText(const char* text, size_t n) {
    t_.SetText(text, n);
    // Every step writes at most one byte for each it takes (three in UTF-8 text), and takes
    // no more than the text read so far.
    const size_t most = n - t_.position();
    const size_t room = (utf8Text_ ? 3 * most : most) + kScanChunk;
    if (room > body_.capacity() && !body_.Allocate(room)) {
      failed_ = true;
      t_.SetText(text, t_.position());  // no step is taken
    }
    t_.SetOutput(reinterpret_cast<unsigned char*>(body_.data()));
  }
  void Run(size_t limit) { t_.Run(limit); }
  void Shift(size_t k) { t_.Shift(k); }
  size_t lookedTo() const { return 0; }  // every look ahead takes what it looked at
  TextTranslation::Saved Save() const { return t_.Save(); }
  void Restore(const TextTranslation::Saved& saved) { t_.Restore(saved); }
  void Drain() {
    out_.Write(reinterpret_cast<const char*>(t_.output()), t_.written());
    t_.SetOutput(reinterpret_cast<unsigned char*>(body_.data()));
  }
  bool failed() const { return failed_; }

 private:
  TextTranslation& t_;
  bool utf8Text_;
  OutputStream& out_;
  ByteBuffer body_;
  bool failed_ = false;
};

}  // namespace

bool TranslateToTextAsItGoes(SlidingText& text, const EncodingChoice& encoding, bool textAsUtf8,
                             OutputStream& out, size_t window) {
  ProgressTicks none;  // the progress is counted on the page as it is read
  const TranslationInput input{text.text(), 0, encoding, none, SIZE_MAX, nullptr, kStreamPiece,
                               textAsUtf8};
  TextTranslation t(input, none, nullptr, nullptr);
  TextWindows windows(t, ChooseTextCharset(encoding, textAsUtf8) == TextCharset::Utf8, out);
  TranslateAsItGoes(text, windows, window);
  return !windows.failed();
}

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
