// The RTF pass: tags from a fixed, ordered table; everything else by the text rules.
#include "rtf_translation.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstring>

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

// Byte classes of the text rules. Plain bytes are copied through the mapper as a run.
enum ByteClass : unsigned char {
  kPlain,
  kTagOpen,     // "<"
  kTagClose,    // ">": written as text, but the byte after it resumes text
  kAmpersand,   // a reference
  kEscaped,     // "{", "}", "\": escaped with a backslash
  kWhite,       // blank, tab, line feed: collapse to one blank
  kHigh,        // 0xA0 and up in a document that is not Cyrillic: "\'hh"
};

constexpr std::array<unsigned char, 256> MakeByteClasses(bool cyrillic) {
  std::array<unsigned char, 256> classes{};
  for (int b = 0; b < 256; ++b) classes[b] = (b >= 0xA0 && !cyrillic) ? kHigh : kPlain;
  classes['<'] = kTagOpen;
  classes['>'] = kTagClose;
  classes['&'] = kAmpersand;
  classes['{'] = kEscaped;
  classes['}'] = kEscaped;
  classes['\\'] = kEscaped;
  classes[' '] = kWhite;
  classes['\t'] = kWhite;
  classes['\n'] = kWhite;
  return classes;
}

constexpr std::array<unsigned char, 256> kLatinClasses = MakeByteClasses(false);
constexpr std::array<unsigned char, 256> kCyrillicClasses = MakeByteClasses(true);

unsigned char Byte(const char* text, size_t p) { return static_cast<unsigned char>(text[p]); }

// Steps p..to-1 are passed over as a run: each reports its tick as a step of its own would.
void PassTicks(ProgressTicks& ticks, size_t from, size_t to) {
  while (ticks.nextPosition - from < to - from) ticks.Fire();
}

// Appends the run mapped byte by byte (copied as it stands under the identity mapper).
void AppendMapped(RtfTranslation& t, const char* run, size_t length) {
  if (t.mapper == MapIdentity) {
    t.body.Append(run, length);
    return;
  }
  if (!t.body.Reserve(length)) return;
  char* out = t.body.data() + t.body.size();
  for (size_t i = 0; i < length; ++i)
    out[i] = static_cast<char>(t.mapper(static_cast<unsigned char>(run[i])));
  t.body.Resize(t.body.size() + length);
}

void AppendDecimal(ByteBuffer& body, uint64_t value) {
  char digits[24];
  char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  body.Append(digits, static_cast<size_t>(end - digits));
}

void AppendEntity(RtfTranslation& t, size_t& p) {
  p += EscapeEntity(t.text, p, t.n, t.entity, t.cyrillic);
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

// Copies the block after "<pre>" (whose ">" is at start - 1) up to "</pre>"; returns the
// position of its ">", or the last byte of the text when the block is not closed.
size_t CopyPreformatted(RtfTranslation& t, size_t start) {
  const char* text = t.text;
  for (size_t q = start; q < t.n; ++q) {
    unsigned char c = Byte(text, q);
    if (c == '<' && MatchesTagName(text, t.n, q, "</pre>")) return q + 5;
    if (c == '&' && t.state.textOn) {
      AppendEntity(t, q);
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

// The position of the tag's ">" when form matches at text[p], else kNoMatch.
size_t MatchForm(const char* text, size_t n, size_t p, std::string_view form, RtfTagShape shape) {
  if (n - p < form.size()) return kNoMatch;
  for (size_t i = 1; i < form.size(); ++i) {
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
  const void* close = std::memchr(text + after, '>', n - after);
  return close != nullptr ? static_cast<size_t>(static_cast<const char*>(close) - text) : n - 1;
}

// Tries rows in order at the "<" at text[p]; returns the matched row's tag end or kNoMatch.
size_t MatchRows(const RtfTranslation& t, size_t p, std::span<const RtfTagRow> rows,
                 const RtfTagRow*& matched) {
  if (p + 1 >= t.n) return kNoMatch;
  unsigned char second = Byte(t.text, p + 1) | 0x20;  // "/" stays "/"
  for (const RtfTagRow& row : rows) {
    if (static_cast<unsigned char>(row.form[1]) != second) continue;
    if (!ConditionHolds(t.state, row.condition)) continue;
    size_t end = MatchForm(t.text, t.n, p, row.form, row.shape);
    if (end == kNoMatch && !row.altForm.empty())
      end = MatchForm(t.text, t.n, p, row.altForm, row.shape);
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
    case Put::CellEnd: t.body.Append("\\cell"); break;
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

// A byte written as text (rules 7 and 8) ends a pending break and marks centred text.
void NoteTextWritten(RtfTagState& s) {
  if (s.centerState == 1) s.centerState = 2;
  s.breakPending = false;
}

}  // namespace

bool MatchesTagName(const char* text, size_t n, size_t p, std::string_view name) {
  return MatchForm(text, n, p, name, Shape::Exact) != kNoMatch;
}

bool MatchesOpenTagName(const char* text, size_t n, size_t p, std::string_view name) {
  size_t after = p + name.size();
  return MatchesTagName(text, n, p, name) && after < n && (text[after] == '>' || text[after] == ' ');
}

int RunRtfTranslation(RtfTranslation& t, std::span<const RtfTagRow> extraRows) {
  const char* text = t.text;
  const size_t n = t.n;
  const unsigned char* classes = t.cyrillic ? kCyrillicClasses.data() : kLatinClasses.data();
  RtfTagState& s = t.state;
  char hex[5] = {'\\', '\'', 0, 0, 0};

  size_t p = 0;
  while (p < n) {
    CheckTick(t.ticks, p);
    unsigned char c = Byte(text, p);
    if (p > 0 && text[p - 1] == '>' && c != '<') s.textOn = true;

    if (c == '<') {
      const RtfTagRow* row = nullptr;
      size_t end = MatchRows(t, p, kRtfTagRows, row);
      if (end == kNoMatch) end = MatchRows(t, p, extraRows, row);
      if (end != kNoMatch) {
        end = ApplySnippet(t, *row, end);
        ApplyChange(s, row->change);
        p = end + 1;
        continue;
      }
      s.textOn = false;  // an unknown tag, a comment or a stray "<": dropped up to its ">"
      ++p;
      continue;
    }

    if (!s.textOn) {
      // Nothing is written until the byte after the next ">", unless a "<" comes first.
      size_t q = p;
      while (q < n && classes[Byte(text, q)] != kTagOpen && classes[Byte(text, q)] != kTagClose) ++q;
      if (q < n && text[q] == '>') ++q;
      PassTicks(t.ticks, p + 1, q);
      p = q;
      continue;
    }

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
        break;
      }
      case kHigh:
        FormatHexByte(c, hex);
        t.body.Append(hex, 4);
        NoteTextWritten(s);
        ++p;
        break;
      case kTagClose:
        t.body.Push(static_cast<char>(t.mapper(c)));
        NoteTextWritten(s);
        ++p;
        break;
      default: {  // kPlain: the byte and the plain run after it
        size_t q = p + 1;
        while (q < n && classes[Byte(text, q)] == kPlain) ++q;
        AppendMapped(t, text + p, q - p);
        NoteTextWritten(s);
        PassTicks(t.ticks, p + 1, q);
        p = q;
        break;
      }
    }
  }

  if (s.rowOpen) AppendRowEnd(t);  // a row left open is closed as "</tr>" closes it
  return s.groupDepth > static_cast<size_t>(INT_MAX) - 1 ? INT_MAX - 1
                                                         : static_cast<int>(s.groupDepth);
}

}  // namespace vellumine
