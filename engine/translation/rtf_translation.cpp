// The RTF pass: tags from a fixed, ordered table; everything else by the text rules.
#include "rtf_translation.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstring>

#include "translation/ascii.h"
#include "fast/rtf_text_runs.h"
#include "translation/utf8.h"

namespace vellumine {

namespace {

using Put = RtfTagSnippet;
using Then = RtfTagChange;


unsigned char Byte(const char* text, size_t p) { return static_cast<unsigned char>(text[p]); }

// Appends the run mapped byte by byte (copied as it stands under the identity mapper).
void AppendMapped(RtfTranslation& t, const char* run, size_t length) {
  if (t.mapper == MapIdentity) {
    t.body.Append(run, length);
    return;
  }
  if (!t.body.Room(length)) return;
  char* out = t.body.cursor();
  for (size_t i = 0; i < length; ++i)
    out[i] = static_cast<char>(t.mapper(static_cast<unsigned char>(run[i])));
  t.body.Advance(length);
}

void AppendEntity(RtfTranslation& t, size_t& p, bool preformatted = false) {
  EntityRunForm runForm = !t.utf8        ? EntityRunForm::AsIs
                          : preformatted ? EntityRunForm::Utf8Preformatted
                                         : EntityRunForm::Utf8Text;
  p += EscapeEntity(t.text, p, t.n, t.entity, t.cyrillic, runForm);
  if (t.entity.size > 0) DelimitControlWord(t.body, static_cast<unsigned char>(t.entity.bytes[0]));
  t.body.Append(t.entity.view());
  t.state.breakPending = false;
}

void OpenGroup(RtfTranslation& t, std::string_view snippet) {
  t.body.Append(snippet);
  ++t.state.groupDepth;
}

// A closing brace only for a group the body opened: a stray one would end the document.
void CloseGroup(RtfTranslation& t) {
  if (t.state.groupDepth == 0) return;
  t.body.Push('}');
  --t.state.groupDepth;
}

std::string_view ParagraphBreak(const RtfTranslation& t) {
  return (t.state.rowOpen ? t.templates.tableParagraphBreak : t.templates.paragraphBreak).view();
}

void AppendListItem(RtfTranslation& t) {
  RtfTagState& s = t.state;
  const RtfTemplates& tpl = t.templates;
  if (!s.breakPending) t.body.Append(ParagraphBreak(t));
  if (s.inBulletList || !s.inNumberedList) {
    t.body.Append((s.rowOpen ? tpl.tableBulletItem : tpl.bulletItem).view());
    return;
  }
  t.body.Append((s.rowOpen ? tpl.tableNumberedItem : tpl.numberedItem).view());
  AppendDecimal(t.body, s.itemNumber++);
  t.body.Append(". ");
}

// The character of a UTF-8 page whose first byte (0x80 or above) is at text[p], written as
// RTF text (or as a preformatted block writes it); returns how many bytes it took. Text
// goes through the cache: an entry is stored whole and the body advanced by its length.
[[gnu::always_inline]] inline size_t AppendUtf8Character(RtfTranslation& t, size_t p,
                                                         bool preformatted) {
  uint32_t cp;
  const size_t length =
      DecodeUtf8Character(reinterpret_cast<const unsigned char*>(t.text + p), t.n - p, cp);
  static_assert(kRtfCharacterCapacity >= sizeof(RtfCharacterCache::Entry));
  if (!t.body.Room(kRtfCharacterCapacity)) return length;
  if (preformatted || cp > 0xFFFF) {
    t.body.Advance(FormatRtfCharacter(cp, preformatted, t.body.cursor()));
    return length;
  }
  RtfCharacterCache::Entry& entry = t.characters.entries[cp & 0xFF];
  if (entry.codePoint != cp) {
    entry.length = static_cast<unsigned char>(FormatRtfCharacter(cp, false, entry.bytes));
    entry.codePoint = cp;
  }
  std::memcpy(t.body.cursor(), &entry, sizeof entry);
  t.body.Advance(entry.length);
  return length;
}

// Where a step of a run that starts at `at` ends at the latest.
size_t StepEnd(const RtfTranslation& t, size_t at) {
  return t.n - at > t.longestStep ? at + t.longestStep : t.n;
}

// Copies a preformatted block from q (after its "<pre>", or where an earlier step of it
// stopped) up to its "</pre>", in steps that start before limit: returns the position after
// the "</pre>" (the block ended), or where it stopped, still in the block
// (state.inPreformatted), or the end of the text.
size_t CopyPreformatted(RtfTranslation& t, size_t q, size_t limit) {
  const char* text = t.text;
  for (; q < limit; ++q) {
    const size_t run = PreformattedRunEnd(text, limit, q, t.utf8);
    if (run > q) AppendMapped(t, text + q, run - q);
    if (run == limit) {
      q = limit;
      break;
    }
    q = run;
    unsigned char c = Byte(text, q);
    if (c == '<' && MatchNoCase(text, t.n, q, "</pre>")) {
      t.state.inPreformatted = false;
      return q + 6;
    }
    if (c == '&' && t.state.textOn) {
      AppendEntity(t, q, true);
    } else if (c >= 0x80 && t.utf8) {
      q += AppendUtf8Character(t, q, true) - 1;
    } else if (c == '\n') {
      t.body.Append("\\par\n");
    } else if (c == '{' || c == '}' || c == '\\') {
      t.body.Push('\\');
      t.body.Push(static_cast<char>(c));
    } else {
      t.body.Push(static_cast<char>(t.mapper(c)));
    }
  }
  t.state.inPreformatted = q < t.n;
  return q;
}

// Appends what the row writes; returns where the tag ends (a block may extend it).
size_t ApplySnippet(RtfTranslation& t, const RtfTagRow& row, size_t end) {
  RtfTagState& s = t.state;
  const RtfTemplates& tpl = t.templates;
  switch (row.snippet) {
    case Put::Nothing: break;
    case Put::ParagraphBreak: t.body.Append(ParagraphBreak(t)); break;
    case Put::ListItem: AppendListItem(t); break;
    case Put::HeadingOpen: OpenGroup(t, tpl.headingOpen.view()); break;
    case Put::HeadingEnd:
      // Without a group to close, a blank ends the control word instead of the brace.
      if (t.state.groupDepth > 0) {
        t.body.Append("\\par");
        CloseGroup(t);
      } else {
        t.body.Append("\\par ");
      }
      break;
    case Put::BoldOpen: OpenGroup(t, "{\\b "); break;
    case Put::StrongEnd: CloseGroup(t); break;
    case Put::BoldEnd:
      if (s.boldOpen) CloseGroup(t);
      break;
    case Put::SubscriptOpen: OpenGroup(t, tpl.subscriptOpen.view()); break;
    case Put::SuperscriptOpen: OpenGroup(t, tpl.superscriptOpen.view()); break;
    case Put::GroupEnd: CloseGroup(t); break;
    case Put::CenterOn: t.body.Append("\\qc "); break;
    case Put::CenterOff: t.body.Append("\\qj "); break;
    case Put::Preformatted: {
      // Only a byte copied through the mapper can be a letter, a digit or "-".
      const size_t start = end + 1;
      if (start < t.n) DelimitControlWord(t.body, t.mapper(Byte(t.text, start)));
      return CopyPreformatted(t, start, StepEnd(t, start)) - 1;
    }
    case Put::TableStart: AppendTableStart(t); break;
    case Put::TableEnd: AppendTableEnd(t); break;
    case Put::RowStart: AppendRowStart(t, end); break;
    case Put::CellStart: t.body.Append("\n\\pard \\intbl "); break;
    case Put::CellEnd:
      t.body.Append("\\cell");
      t.body.EndControlWord();
      break;
    case Put::RowEnd: AppendRowEnd(t); break;
  }
  return end;
}

void ApplyChange(RtfTagState& s, RtfTagChange change) {
  switch (change) {
    case Then::None: break;
    case Then::BreakPending: s.breakPending = true; break;
    case Then::BulletListOn: s.inBulletList = true; break;
    case Then::BulletListOff: s.inBulletList = false; break;
    case Then::NumberedListOn:
      s.inNumberedList = true;
      s.itemNumber = 1;
      break;
    case Then::NumberedListOff: s.inNumberedList = false; break;
    case Then::StrongOn: s.strongOpen = true; break;
    case Then::StrongOff: s.strongOpen = false; break;
    case Then::BoldOn: s.boldOpen = true; break;
    case Then::BoldOff: s.boldOpen = false; break;
    case Then::CenterStart: s.centering = Centering::Started; break;
    case Then::CenterEnd: s.centering = Centering::Off; break;
    case Then::TextOff: s.textOn = false; break;
    case Then::CellClosed: --s.cellsLeft; break;
  }
}

// A byte written as text (a plain byte, or a high one as "\'hh") ends a pending break and
// marks centred text.
void NoteTextWritten(RtfTagState& s) {
  if (s.centering == Centering::Started) s.centering = Centering::TextWritten;
  s.breakPending = false;
}

}  // namespace

void AppendDecimal(RtfBody& body, uint64_t value) {
  char digits[24];
  char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  body.Append(digits, static_cast<size_t>(end - digits));
}

size_t RunRtfSteps(RtfTranslation& t, const RtfTagIndex& index, size_t p, size_t stop) {
  const char* text = t.text;
  const size_t n = t.n;
  const unsigned char* classes = t.utf8       ? kUtf8Classes.data()
                                 : t.cyrillic ? kCyrillicClasses.data()
                                              : kLatinClasses.data();
  const bool blankJoinsRuns = BlankJoinsRuns(t.mapper, classes);
  const bool copyRuns = blankJoinsRuns && t.mapper == MapIdentity;  // copied as they stand
  RtfTagState& s = t.state;
  char hex[5] = {'\\', '\'', 0, 0, 0};

  // A run of text, of blanks or of skipped bytes is one step up to t.longestStep bytes and
  // goes on in the next: each of its bytes is written (or skipped) alone, so a cut changes
  // nothing, and a page read as it goes never holds much more than a step.
  auto stepEnd = [&t](size_t at) { return StepEnd(t, at); };

  // The step at a plain byte (text is on): the byte and the run of text after it, written
  // at once. Returns the position after the run.
  auto plainRun = [&](size_t at) __attribute__((always_inline)) {
    DelimitControlWord(t.body, t.mapper(Byte(text, at)));
    size_t end;
    if (copyRuns) {
      end = CopyPlainRun(t, at, stepEnd(at), classes, !t.cyrillic);
    } else {
      end = PlainRunEnd(text, stepEnd(at), at + 1, classes, blankJoinsRuns, !t.cyrillic);
      AppendMapped(t, text + at, end - at);
    }
    NoteTextWritten(s);
    t.ticks.Pass(at + 1, end);
    return end;
  };

  while (p < stop) {
    if (s.inPreformatted) {
      // A preformatted block goes on, a step at a time; as when it is taken whole, its
      // bytes show no progress.
      p = CopyPreformatted(t, p, stepEnd(p));
      continue;
    }
    t.ticks.Check(p);
    unsigned char c = Byte(text, p);
    if (c == '<') {
      const RtfTagRow* row = nullptr;
      size_t end = MatchRows(text, n, s, index, p, row);
      if (end != kNoMatch) {
        end = ApplySnippet(t, *row, end);
        ApplyChange(s, row->change);
        p = end + 1;
        // Most often text follows the tag: its step is taken here (it resumes text).
        if (!s.inPreformatted && p < n && classes[Byte(text, p)] == kPlain) {
          t.ticks.Check(p);
          s.textOn = true;
          p = plainRun(p);
        }
        continue;
      }
      // An unknown tag, a comment or a stray "<": text is off, and nothing is written until
      // the byte after the next ">", unless a "<" comes first.
      s.textOn = false;
      size_t q = FindAngleBracket(text, stepEnd(p + 1), p + 1);
      if (q < n && text[q] == '>') ++q;
      t.ticks.Pass(p + 1, q);
      p = q;
      continue;
    }

    // Text resumes after a ">" (with any byte but "<"); until then nothing is written.
    if (!s.textOn && !(p > 0 && text[p - 1] == '>')) {
      size_t q = FindAngleBracket(text, stepEnd(p), p);
      if (q < n && text[q] == '>') ++q;
      t.ticks.Pass(p + 1, q);
      p = q;
      continue;
    }
    s.textOn = true;

    switch (classes[c]) {
      case kAmpersand:
        AppendEntity(t, p);
        ++p;
        break;
      case kEscaped:
        t.body.Push('\\');
        t.body.Push(static_cast<char>(c));
        ++p;
        break;
      case kWhite: {
        if (!s.breakPending && (t.body.empty() || t.body.Back() != ' ')) t.body.Push(' ');
        // The rest of a white-space run writes nothing.
        size_t q = p + 1;
        const size_t end = stepEnd(p);
        while (q < end && classes[Byte(text, q)] == kWhite) ++q;
        t.ticks.Pass(p + 1, q);
        p = q;
        if (p < n && classes[Byte(text, p)] == kPlain) {  // the next word
          t.ticks.Check(p);
          p = plainRun(p);
        }
        break;
      }
      case kHigh:
        if (t.utf8) {
          // The characters of a word in another script at once; their other bytes are
          // steps too.
          size_t next = p;
          const size_t end = stepEnd(p);
          do {
            next += AppendUtf8Character(t, next, false);
          } while (next < end && Byte(text, next) >= 0x80);
          t.ticks.Pass(p + 1, next);
          p = next;
        } else {
          FormatHexByte(c, hex);
          t.body.Append(hex, 4);
          ++p;
        }
        NoteTextWritten(s);
        break;
      default:  // kPlain
        p = plainRun(p);
        break;
    }
  }

  return p;
}

namespace {

// One RTF translation, or one half of it, as the halves drive it.
class RtfHalf {
 public:
  struct Mark : HalfMark {
    RtfTagState state;
    bool blankWritable = true;     // a blank may follow the body (empty or no blank last)
    bool atControlWordEnd = false;  // the body ends with an undelimited control word
    bool SameCourse(const Mark& other) const {
      return Live(state) == Live(other.state) && blankWritable == other.blankWritable &&
             atControlWordEnd == other.atControlWordEnd;
    }
    // The state without what no later step reads: the item number outside a numbered list
    // (opening one sets it) and the cells left outside a row (opening one sets them).
    static RtfTagState Live(RtfTagState s) {
      if (!s.inNumberedList) s.itemNumber = 1;
      if (!s.rowOpen) s.cellsLeft = 0;
      return s;
    }
  };

  RtfHalf(RtfTranslation& t, const RtfTagIndex& index) : t_(t), index_(index) {}

  size_t position() const { return p_; }
  // (A step may end past the text's end; no step starts there.) With a stream the body
  // goes there a piece of text at a time.
  void Run(size_t end) {
    p_ = RunInPieces(
        p_, end < t_.n ? end : t_.n, t_.stream, t_.streamPiece,
        [&](size_t from, size_t limit) { return RunRtfSteps(t_, index_, from, limit); },
        [&] { t_.body.DrainTo(*t_.stream); });
  }
  Mark Marked() const {
    return {{p_, t_.body.length(), t_.ticks.MarkAt(p_)}, t_.state,
            t_.body.empty() || t_.body.Back() != ' ', t_.body.AtControlWordEnd()};
  }

  // A second half guesses text on after a word, with nothing open.
  void StartAt(size_t q) {
    p_ = q;
    t_.state = RtfTagState{};
    t_.state.textOn = true;
  }

  bool Take(const RtfHalf& second, const Mark& from) {
    if (second.t_.body.failed()) return false;  // its body could not grow: not all there
    const RtfBody& tail = second.t_.body;
    const size_t k = tail.length() - from.written;
    if (t_.stream != nullptr && k > 1)
      t_.body.DrainTo(*t_.stream, tail.begin() + from.written, k);
    else
      t_.body.Append(tail.begin() + from.written, k);
    if (second.t_.body.AtControlWordEnd()) t_.body.EndControlWord();
    t_.ticks.Replay(t_.ticks.MarkAt(p_), from.ticks, second.t_.ticks);
    t_.state = second.t_.state;
    p_ = second.p_;
    return true;
  }

 private:
  RtfTranslation& t_;
  const RtfTagIndex& index_;
  size_t p_ = 0;
};

// One RTF translation over a text read as it goes, as TranslateAsItGoes drives it.
class RtfWindows {
 public:
  RtfWindows(RtfTranslation& t, const RtfTagIndex& index, OutputStream& out)
      : t_(t), index_(index), out_(out) {}

  size_t position() const { return p_; }
  void SetText(const char* text, size_t n) {
    t_.text = text;
    t_.n = n;
  }
  void Run(size_t limit) { p_ = RunRtfSteps(t_, index_, p_, limit); }
  void Shift(size_t k) {
    p_ -= k;
    t_.lookedTo = t_.lookedTo > k ? t_.lookedTo - k : 0;
  }
  size_t lookedTo() const { return t_.lookedTo; }
  struct Saved {
    size_t p;
    RtfTagState state;
    RtfBody::Saved body;
    size_t lookedTo;
  };
  Saved Save() const { return {p_, t_.state, t_.body.Save(), t_.lookedTo}; }
  void Restore(const Saved& saved) {
    p_ = saved.p;
    t_.state = saved.state;
    t_.body.Restore(saved.body);
    t_.lookedTo = saved.lookedTo;
  }
  void Drain() { t_.body.DrainTo(out_); }
  bool failed() const { return t_.body.failed(); }

 private:
  RtfTranslation& t_;
  const RtfTagIndex& index_;
  OutputStream& out_;
  size_t p_ = 0;
};

}  // namespace

int TranslateRtfBodyAsItGoes(SlidingText& text, const EncodingChoice& encoding,
                             const RtfTemplates& templates, const RtfTagIndex& index,
                             OutputStream& out, size_t window) {
  ProgressTicks none;  // the progress is counted on the page as it is read
  ByteBuffer body;
  if (!body.Allocate(size_t{64} << 10)) return -1;
  RtfTranslation t({text.text(), 0, encoding, none}, templates, body);
  RtfWindows windows(t, index, out);
  TranslateAsItGoes(text, windows, window);
  if (t.state.rowOpen) AppendRowEnd(t);  // a row left open is closed as "</tr>" closes it
  t.body.Sync();
  if (body.failed()) return -1;
  out.Write(body.data(), body.size());
  const RtfTagState& s = t.state;
  return s.groupDepth > static_cast<size_t>(INT_MAX) - 1 ? INT_MAX - 1
                                                         : static_cast<int>(s.groupDepth);
}

int RunRtfTranslation(RtfTranslation& t, const RtfTagIndex& index, ByteBuffer* secondBody) {
  RtfHalf whole(t, index);
  if (secondBody != nullptr) {
    const size_t q = SecondHalfStart(t.text, t.n);
    ProgressTicks secondTicks = t.ticks.ForSecondHalf(q);
    RtfTranslation second({t.text, t.n, {t.mapper, t.cyrillic, t.utf8}, secondTicks},
                          t.templates, *secondBody);
    RtfHalf half(second, index);
    TranslateInHalves(whole, half, t.n, q);
  }
  if (whole.position() < t.n) whole.Run(t.n);
  RtfTagState& s = t.state;
  if (s.rowOpen) AppendRowEnd(t);  // a row left open is closed as "</tr>" closes it
  t.body.Sync();
  return s.groupDepth > static_cast<size_t>(INT_MAX) - 1 ? INT_MAX - 1
                                                         : static_cast<int>(s.groupDepth);
}

int TranslateRtfBody(const TranslationInput& input, const RtfTemplates& templates,
                     ByteBuffer& body, const RtfTagIndex& index) {
  RtfTranslation t(input, templates, body);
  ByteBuffer secondBody;
  const bool halves = input.n >= input.splitFrom && input.n >= 2 &&
                      secondBody.Allocate(4 * (input.n / 2) + 1000);
  return RunRtfTranslation(t, index, halves ? &secondBody : nullptr);
}

}  // namespace vellumine
