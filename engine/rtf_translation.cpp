// The RTF pass: tags from a fixed, ordered table; everything else by the text rules.
#include "rtf_translation.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstring>

#include "ascii.h"
#include "utf8.h"

namespace vellumine {

namespace {

using Shape = RtfTagShape;
using When = RtfTagCondition;
using Put = RtfTagSnippet;
using Then = RtfTagChange;

// The common tag forms, in the order they are tried: the first row that matches wins.
constexpr RtfTagRow kRtfTagRows[] = {
    // form        other form  shape         tried only when        appends               then
    {"</p>",       {},         Shape::Exact, When::NoBreakPending,  Put::ParagraphBreak,  Then::BreakPending},
    {"<p",         {},         Shape::Open,  When::NoBreakPending,  Put::ParagraphBreak,  Then::BreakPending},
    {"<br",        {},         Shape::Open,  When::NoBreakPending,  Put::ParagraphBreak,  Then::BreakPending},
    {"<ul",        {},         Shape::Open,  When::Always,          Put::Nothing,         Then::BulletListOn},
    {"</ul>",      {},         Shape::Exact, When::Always,          Put::Nothing,         Then::BulletListOff},
    {"<ol",        {},         Shape::Open,  When::Always,          Put::Nothing,         Then::NumberedListOn},
    {"</ol>",      {},         Shape::Exact, When::Always,          Put::Nothing,         Then::NumberedListOff},
    {"<li>",       {},         Shape::Exact, When::Always,          Put::ListItem,        Then::BreakPending},
    {"<h#",        {},         Shape::Open,  When::Always,          Put::HeadingOpen,     Then::BreakPending},
    {"</h?>",      {},         Shape::Exact, When::Always,          Put::HeadingEnd,      Then::BreakPending},
    {"<strong>",   {},         Shape::Exact, When::Always,          Put::BoldOpen,        Then::StrongOn},
    {"</strong>",  {},         Shape::Exact, When::StrongOpen,      Put::StrongEnd,       Then::StrongOff},
    {"<b",         {},         Shape::Open,  When::Always,          Put::BoldOpen,        Then::BoldOn},
    {"</b>",       {},         Shape::Exact, When::Always,          Put::BoldEnd,         Then::BoldOff},
    {"<sub",       {},         Shape::Open,  When::Always,          Put::SubscriptOpen,   Then::None},
    {"</sub>",     {},         Shape::Exact, When::Always,          Put::GroupEnd,        Then::None},
    {"<sup",       {},         Shape::Open,  When::Always,          Put::SuperscriptOpen, Then::None},
    {"</sup>",     {},         Shape::Exact, When::Always,          Put::GroupEnd,        Then::None},
    {"<div>",      {},         Shape::Exact, When::NoBreakPending,  Put::ParagraphBreak,  Then::BreakPending},
    {"</div>",     {},         Shape::Exact, When::NoBreakPending,  Put::ParagraphBreak,  Then::BreakPending},
    {"<dd>",       "<dt>",     Shape::Exact, When::NoBreakPending,  Put::ParagraphBreak,  Then::BreakPending},
    {"<center",    {},         Shape::Open,  When::Always,          Put::CenterOn,        Then::CenterStart},
    {"</center>",  {},         Shape::Exact, When::CenterNotWritten, Put::CenterOff,      Then::CenterEnd},
    {"<pre>",      {},         Shape::Exact, When::Always,          Put::Preformatted,    Then::None},
};

constexpr size_t kNoMatch = static_cast<size_t>(-1);

// Byte classes of the text rules while text is on. Plain bytes (">" among them: the text it
// would resume is on already) are copied through the mapper as a run.
enum ByteClass : unsigned char {
  kPlain,
  kTagOpen,     // "<"
  kAmpersand,   // a reference
  kEscaped,     // "{", "}", "\": escaped with a backslash
  kWhite,       // blank, tab, line feed: collapse to one blank
  kHigh,        // from highFrom up: "\'hh", or a UTF-8 page's character
};

// highFrom: 0xA0 in a Latin document, 0x80 in a UTF-8 page, 0x100 (none) in a Cyrillic one.
constexpr std::array<unsigned char, 256> MakeByteClasses(int highFrom) {
  std::array<unsigned char, 256> classes{};
  for (int b = 0; b < 256; ++b) classes[b] = b >= highFrom ? kHigh : kPlain;
  classes['<'] = kTagOpen;
  classes['&'] = kAmpersand;
  classes['{'] = kEscaped;
  classes['}'] = kEscaped;
  classes['\\'] = kEscaped;
  classes[' '] = kWhite;
  classes['\t'] = kWhite;
  classes['\n'] = kWhite;
  return classes;
}

constexpr std::array<unsigned char, 256> kLatinClasses = MakeByteClasses(0xA0);
constexpr std::array<unsigned char, 256> kCyrillicClasses = MakeByteClasses(0x100);
constexpr std::array<unsigned char, 256> kUtf8Classes = MakeByteClasses(0x80);

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
// RTF text (or as a preformatted block writes it); returns how many bytes it took.
size_t AppendUtf8Character(RtfTranslation& t, size_t p, bool preformatted) {
  uint32_t cp;
  size_t length = DecodeUtf8Character(reinterpret_cast<const unsigned char*>(t.text + p),
                                      t.n - p, cp);
  if (t.body.Room(kRtfCharacterCapacity))
    t.body.Advance(FormatRtfCharacter(cp, preformatted, t.body.cursor()));
  return length;
}

// Copies the block after "<pre>" (whose ">" is at start - 1) up to "</pre>"; returns the
// position of its ">", or the last byte of the text when the block is not closed.
size_t CopyPreformatted(RtfTranslation& t, size_t start) {
  const char* text = t.text;
  // Only a byte copied through the mapper can be a letter, a digit or "-".
  if (start < t.n) DelimitControlWord(t.body, t.mapper(Byte(text, start)));
  for (size_t q = start; q < t.n; ++q) {
    unsigned char c = Byte(text, q);
    if (c == '<' && MatchNoCase(text, t.n, q, "</pre>")) return q + 5;
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
  return t.n - 1;
}

bool ConditionHolds(const RtfTagState& s, RtfTagCondition condition) {
  switch (condition) {
    case When::Always: return true;
    case When::NoBreakPending: return !s.breakPending;
    case When::StrongOpen: return s.strongOpen;
    case When::CenterNotWritten: return s.centerState != 2;
    case When::RowOpen: return s.rowOpen;
  }
  return false;
}

// The position of the tag's ">" when form matches at text[p], else kNoMatch. Bytes before
// from are known to match already.
size_t MatchForm(const char* text, size_t n, size_t p, std::string_view form, RtfTagShape shape,
                 size_t from = 1) {
  if (n - p < form.size()) return kNoMatch;
  for (size_t i = from; i < form.size(); ++i) {
    unsigned char f = static_cast<unsigned char>(form[i]);
    unsigned char b = Byte(text, p + i);
    bool ok = f == '#'                  ? (b >= '0' && b <= '9')
              : f == '?'                ? true
              : (f >= 'a' && f <= 'z') ? (b | 0x20) == f
                                        : b == f;
    if (!ok) return kNoMatch;
  }
  size_t after = p + form.size();
  if (shape == Shape::Exact) return after - 1;
  if (after >= n) return kNoMatch;
  if (text[after] == '>') return after;
  if (text[after] != ' ') return kNoMatch;
  // Attributes are skipped to the first ">"; without one the tag takes the rest of the text.
  size_t close = FindByte(text, n, after, '>');
  return close < n ? close : n - 1;
}

// The first four bytes of a form as a masked comparison: the tag's bytes, with 0x20 set at
// letter positions (uppercase folds to lowercase), must equal value under mask. Bytes past
// the form, "?" and "#" are masked out and left to MatchForm.
struct RtfTagKey {
  uint32_t value = 0;
  uint32_t mask = 0;
  uint32_t fold = 0;
  size_t verified = 1;  // leading bytes of the form that a passing key has matched

  RtfTagKey() = default;
  explicit RtfTagKey(std::string_view form) {
    unsigned char v[4] = {}, m[4] = {}, f[4] = {};
    bool exact = true;
    for (size_t i = 0; i < 4 && i < form.size(); ++i) {
      auto c = static_cast<unsigned char>(form[i]);
      if (c == '?' || c == '#') {
        exact = false;
        continue;
      }
      v[i] = c;
      m[i] = 0xFF;
      if (c >= 'a' && c <= 'z') f[i] = 0x20;
      if (exact) verified = i + 1;
    }
    std::memcpy(&value, v, 4);
    std::memcpy(&mask, m, 4);
    std::memcpy(&fold, f, 4);
  }

  bool MayMatch(uint32_t head) const { return ((head | fold) & mask) == value; }
};

// The rows that can match a tag, grouped by the byte after "<" (after "</" for closing
// forms), letters lowercased; each group in table order. A tag is compared only with the
// one to three rows that start like it.
class RtfTagIndex {
 public:
  struct Entry {
    const RtfTagRow* row;
    RtfTagKey key;
    RtfTagKey altKey;       // the key of the other form, when the row has one
    bool hasAlt;
  };

  RtfTagIndex(std::span<const RtfTagRow> common, std::span<const RtfTagRow> extra) {
    std::memset(groupOf_, 0, sizeof groupOf_);
    Add(common);
    Add(extra);
  }

  // The rows for the tag whose "<" is at text[p] (p + 2 < n), in the order they are tried.
  std::span<const Entry> Rows(const char* text, size_t p) const {
    const Group& group = groups_[groupOf_[GroupKey(Byte(text, p + 1), Byte(text, p + 2))]];
    return {group.entries, group.count};
  }

 private:
  static constexpr size_t kMaxGroups = 24;
  static constexpr size_t kMaxPerGroup = 4;

  struct Group {
    Entry entries[kMaxPerGroup] = {};
    size_t count = 0;
  };

  static size_t GroupKey(unsigned char second, unsigned char third) {
    return second == '/' ? 256 + (third | 0x20) : (second | 0x20);
  }

  void Add(std::span<const RtfTagRow> rows) {
    for (const RtfTagRow& row : rows) {
      size_t key = GroupKey(static_cast<unsigned char>(row.form[1]),
                            static_cast<unsigned char>(row.form[2]));
      if (groupOf_[key] == 0) groupOf_[key] = static_cast<unsigned char>(++used_);
      Group& group = groups_[groupOf_[key]];
      if (group.count == kMaxPerGroup) continue;  // the tables have at most three a group
      group.entries[group.count++] = {&row, RtfTagKey(row.form), RtfTagKey(row.altForm),
                                      !row.altForm.empty()};
    }
  }

  unsigned char groupOf_[512];  // group number by key; 0: no row starts so
  Group groups_[kMaxGroups + 1] = {};
  size_t used_ = 0;
};

// Tries the rows in order at the "<" at text[p]; returns the matched row's tag end or kNoMatch.
size_t MatchRows(const RtfTranslation& t, const RtfTagIndex& index, size_t p,
                 const RtfTagRow*& matched) {
  // Every form needs three bytes at least ("<p" and the byte after the name).
  if (t.n - p < 3) return kNoMatch;
  uint32_t head = 0;  // bytes past the text read as 0, which no form holds
  if (t.n - p >= 4)
    std::memcpy(&head, t.text + p, 4);
  else
    std::memcpy(&head, t.text + p, 3);
  for (const RtfTagIndex::Entry& entry : index.Rows(t.text, p)) {
    bool mayBeForm = entry.key.MayMatch(head);
    bool mayBeAlt = entry.hasAlt && entry.altKey.MayMatch(head);
    if (!(mayBeForm || mayBeAlt)) continue;
    const RtfTagRow& row = *entry.row;
    if (!ConditionHolds(t.state, row.condition)) continue;
    size_t end = mayBeForm ? MatchForm(t.text, t.n, p, row.form, row.shape, entry.key.verified)
                           : kNoMatch;
    if (end == kNoMatch && mayBeAlt)
      end = MatchForm(t.text, t.n, p, row.altForm, row.shape, entry.altKey.verified);
    if (end != kNoMatch) {
      matched = &row;
      return end;
    }
  }
  return kNoMatch;
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
    case Put::Preformatted: return CopyPreformatted(t, end + 1);
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
    case Then::CenterStart: s.centerState = 1; break;
    case Then::CenterEnd: s.centerState = 0; break;
    case Then::TextOff: s.textOn = false; break;
    case Then::CellClosed: --s.cellsLeft; break;
  }
}

// A byte written as text (a plain byte, or a high one as "\'hh") ends a pending break and
// marks centred text.
void NoteTextWritten(RtfTagState& s) {
  if (s.centerState == 1) s.centerState = 2;
  s.breakPending = false;
}

// The first "<" or ">" from q on, or n.
size_t FindAngleBracket(const char* text, size_t n, size_t q) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (n - q >= kScanChunk) {
    ScanChunk chunk(s + q);
    ScanBits found = (chunk.Equal('<') | chunk.Equal('>')).Bits();
    if (found) return q + FirstSetByte(found);
    q += kScanChunk;
  }
  while (q < n && text[q] != '<' && text[q] != '>') ++q;
  return q;
}

// Inside a run of text a single blank between two plain bytes is written as it stands
// (no break is pending and the body does not end with a blank), so it can join the run,
// unless the mapper turns the blank, or a plain byte, into something else.
bool BlankJoinsRuns(CharMapper mapper, const unsigned char* classes) {
  if (mapper(' ') != ' ') return false;
  for (int b = 0; b < 256; ++b)
    if (classes[b] == kPlain && mapper(static_cast<unsigned char>(b)) == ' ') return false;
  return true;
}

// A run of text: a plain byte, then plain bytes and single blanks. A blank after a plain byte
// is written as it stands whatever follows it, so only a second blank in a row ends a run
// (blanks join runs only when the mapper leaves them, and every plain byte, alone).

// The end of the run from q on, byte by byte; afterBlank: the byte before q is a blank.
size_t RunEndByBytes(const char* text, size_t n, size_t q, const unsigned char* classes,
                     bool blankJoinsRuns, bool afterBlank) {
  if (afterBlank && q < n && text[q] == ' ') return q;
  for (;;) {
    while (q < n && classes[Byte(text, q)] == kPlain) ++q;
    if (!blankJoinsRuns || q + 1 >= n || text[q] != ' ' || classes[Byte(text, q + 1)] != kPlain)
      return q;
    q += 2;
  }
}

// The bytes of a chunk that end a run whatever comes before them: "<", "&", braces and
// backslash.
inline ByteMask RunSpecials(const ScanChunk& chunk) {
  return chunk.Equal('<') | chunk.Equal('&') | chunk.Equal('\\') | chunk.Equal('{') |
         chunk.Equal('}');
}

// The bytes of a chunk that may end a run, and whether its last byte is white space.
struct RunStops {
  ScanBits stops;
  bool lastWhite;
};

// Stops: those above, tab, line feed, 0x80 and up (latin), and a blank after a blank
// (afterBlank: the byte before the chunk is one). The class table decides each byte found.
inline RunStops ScanRun(const unsigned char* s, bool latin, bool afterBlank) {
  ScanChunk chunk(s);
  ByteMask blanks = chunk.Equal(' ');
  ScanBits stops =
      (RunSpecials(chunk) | chunk.Equal('\t') | chunk.Equal('\n') | (blanks & blanks.AfterMarked()))
          .Bits();
  if (latin) stops |= chunk.High().Bits();
  if (afterBlank) stops |= blanks.Bits() & kFirstByte;
  return {stops, (blanks.Bits() & kLastByte) != 0};
}

// The end of the run whose plain byte before q starts it.
size_t PlainRunEnd(const char* text, size_t n, size_t q, const unsigned char* classes,
                   bool blankJoinsRuns, bool latin) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  bool afterBlank = false;
  while (blankJoinsRuns && n - q >= kScanChunk) {
    RunStops chunk = ScanRun(s + q, latin, afterBlank);
    if (chunk.stops == 0) {
      afterBlank = chunk.lastWhite;
      q += kScanChunk;
      continue;
    }
    size_t at = q + FirstSetByte(chunk.stops);
    if (text[at] == ' ' || classes[Byte(text, at)] != kPlain) return at;
    q = at + 1;  // a byte from 0x80 to 0x9F: plain after all
    afterBlank = false;
  }
  return RunEndByBytes(text, n, q, classes, blankJoinsRuns, afterBlank);
}

// For a run copied under the identity mapper, a tab or a line feed after a plain byte is
// written as the blank it collapses to, so it joins the run like a blank. Writes the chunk
// as it is written (tabs and line feeds made blanks) to out; returns the bytes that may end
// the run, and whether the chunk's last byte is white space.
inline RunStops ScanCopy(const unsigned char* s, bool latin, bool afterWhite, unsigned char* out) {
  ScanChunk chunk(s);
  ScanChunk written = chunk.WithBlanks();
  ByteMask whites = written.Equal(' ');
  ScanBits stops = (RunSpecials(chunk) | (whites & whites.AfterMarked())).Bits();
  if (latin) stops |= chunk.High().Bits();
  if (afterWhite) stops |= whites.Bits() & kFirstByte;
  written.Store(out);
  return {stops, (whites.Bits() & kLastByte) != 0};
}

// Under the identity mapper: copies the run that starts at text[p] into the body while it is
// scanned, a chunk at a time; returns the run's end.
size_t CopyPlainRun(RtfTranslation& t, size_t p, const unsigned char* classes, bool latin) {
  const char* text = t.text;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const size_t n = t.n;
  t.body.Push(text[p]);
  size_t q = p + 1;
  bool afterWhite = false;  // the byte before q is white space, written as a blank
  while (n - q >= kScanChunk && t.body.Room(kScanChunk)) {
    RunStops chunk =
        ScanCopy(s + q, latin, afterWhite, reinterpret_cast<unsigned char*>(t.body.cursor()));
    if (chunk.stops == 0) {
      t.body.Advance(kScanChunk);
      afterWhite = chunk.lastWhite;
      q += kScanChunk;
      continue;
    }
    size_t at = q + FirstSetByte(chunk.stops);
    t.body.Advance(at - q);
    if (classes[Byte(text, at)] != kPlain) return at;  // a stop, or white space again
    t.body.Advance(1);  // a byte from 0x80 to 0x9F: plain after all
    q = at + 1;
    afterWhite = false;
  }
  if (afterWhite && q < n && classes[Byte(text, q)] == kWhite) return q;
  size_t end = RunEndByBytes(text, n, q, classes, true, false);
  t.body.Append(text + q, end - q);
  return end;
}

}  // namespace

void AppendDecimal(RtfBody& body, uint64_t value) {
  char digits[24];
  char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  body.Append(digits, static_cast<size_t>(end - digits));
}

int RunRtfTranslation(RtfTranslation& t, std::span<const RtfTagRow> extraRows) {
  const char* text = t.text;
  const size_t n = t.n;
  const unsigned char* classes = t.utf8       ? kUtf8Classes.data()
                                 : t.cyrillic ? kCyrillicClasses.data()
                                              : kLatinClasses.data();
  const RtfTagIndex index(kRtfTagRows, extraRows);
  const bool blankJoinsRuns = BlankJoinsRuns(t.mapper, classes);
  const bool copyRuns = blankJoinsRuns && t.mapper == MapIdentity;  // copied as they stand
  RtfTagState& s = t.state;
  char hex[5] = {'\\', '\'', 0, 0, 0};

  // The step at a plain byte (text is on): the byte and the run of text after it, written
  // at once. Returns the position after the run.
  auto plainRun = [&](size_t at) {
    DelimitControlWord(t.body, t.mapper(Byte(text, at)));
    size_t end;
    if (copyRuns) {
      end = CopyPlainRun(t, at, classes, !t.cyrillic);
    } else {
      end = PlainRunEnd(text, n, at + 1, classes, blankJoinsRuns, !t.cyrillic);
      AppendMapped(t, text + at, end - at);
    }
    NoteTextWritten(s);
    PassTicks(t.ticks, at + 1, end);
    return end;
  };

  size_t p = 0;
  while (p < n) {
    CheckTick(t.ticks, p);
    unsigned char c = Byte(text, p);
    if (c == '<') {
      const RtfTagRow* row = nullptr;
      size_t end = MatchRows(t, index, p, row);
      if (end != kNoMatch) {
        end = ApplySnippet(t, *row, end);
        ApplyChange(s, row->change);
        p = end + 1;
        // Most often text follows the tag: its step is taken here (it resumes text).
        if (p < n && classes[Byte(text, p)] == kPlain) {
          CheckTick(t.ticks, p);
          s.textOn = true;
          p = plainRun(p);
        }
        continue;
      }
      // An unknown tag, a comment or a stray "<": text is off, and nothing is written until
      // the byte after the next ">", unless a "<" comes first.
      s.textOn = false;
      size_t q = FindAngleBracket(text, n, p + 1);
      if (q < n && text[q] == '>') ++q;
      PassTicks(t.ticks, p + 1, q);
      p = q;
      continue;
    }

    // Text resumes after a ">" (with any byte but "<"); until then nothing is written.
    if (!s.textOn && !(p > 0 && text[p - 1] == '>')) {
      size_t q = FindAngleBracket(text, n, p);
      if (q < n && text[q] == '>') ++q;
      PassTicks(t.ticks, p + 1, q);
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
        while (q < n && classes[Byte(text, q)] == kWhite) ++q;
        PassTicks(t.ticks, p + 1, q);
        p = q;
        if (p < n && classes[Byte(text, p)] == kPlain) {  // the next word
          CheckTick(t.ticks, p);
          p = plainRun(p);
        }
        break;
      }
      case kHigh:
        if (t.utf8) {
          size_t next = p + AppendUtf8Character(t, p, false);
          PassTicks(t.ticks, p + 1, next);  // the character's other bytes are steps too
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

  if (s.rowOpen) AppendRowEnd(t);  // a row left open is closed as "</tr>" closes it
  t.body.Sync();
  return s.groupDepth > static_cast<size_t>(INT_MAX) - 1 ? INT_MAX - 1
                                                         : static_cast<int>(s.groupDepth);
}

}  // namespace vellumine
