// The RTF pass's tag table: the forms it knows, what each appends and changes, the index
// that finds the rows a tag can match, and the matcher. Internal to the RTF writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "fast/byte_scan.h"

namespace vellumine {

// Where a centred passage stands.
enum class Centering : unsigned char {
  Off,          // not centred
  Started,      // "\qc " written and no text since
  TextWritten,  // text written since "\qc "
};

// The state of one translation, fresh for every file. Flags, not nesting counters: a second
// opening tag of a kind only sets its flag again.
struct RtfTagState {
  // Text flow.
  bool textOn = false;        // the bytes under the cursor are text, not part of a tag
  bool breakPending = false;  // a break was the last thing written, no text since
  bool inPreformatted = false;  // inside a "<pre>" block that steps copy a part at a time

  // Lists.
  bool inBulletList = false;    // between "<ul" and "</ul>"
  bool inNumberedList = false;  // between "<ol" and "</ol>"
  uint64_t itemNumber = 1;      // the number the next numbered item gets

  // Groups and alignment.
  bool boldOpen = false;    // "<b" opened a bold group that "</b>" has not closed
  bool strongOpen = false;  // "<strong>" opened a bold group that "</strong>" has not closed
  size_t groupDepth = 0;    // groups the body opened and has not closed; no brace closes more
  Centering centering = Centering::Off;

  // Tables (RTF with tables only).
  bool rowOpen = false;   // a row start tag opened a row that is not closed yet
  int64_t cellsLeft = 0;  // cells counted for the open row less its cell end tags; may go below 0

  bool operator==(const RtfTagState&) const = default;
};

// How a tag form ends. Exact: the form includes its ">". Open: the byte after the name is
// ">" or a blank, and after a blank everything up to the first ">" is skipped.
enum class RtfTagShape : unsigned char { Exact, Open };

// When a row is tried at all; a row whose condition fails lets the byte fall through.
enum class RtfTagCondition : unsigned char {
  Always,
  NoBreakPending,    // breakPending = 0
  StrongOpen,        // strongOpen = 1
  CenterNotWritten,  // no text written since "\qc "
  RowOpen,           // rowOpen = 1
};

// What a matched tag appends.
enum class RtfTagSnippet : unsigned char {
  Nothing,
  ParagraphBreak,   // ParagraphBreak, or TableParagraphBreak in a row
  ListItem,         // a break when none is pending, then a bullet or numbered item
  HeadingOpen,      // HeadingOpen (opens a group)
  HeadingEnd,       // "\par}", or "\par " when the body has no group open
  BoldOpen,         // "{\b "
  StrongEnd,        // "}" when a group is open
  BoldEnd,          // "}" when "<b" opened one and a group is open
  SubscriptOpen,    // SubscriptOpen
  SuperscriptOpen,  // SuperscriptOpen
  GroupEnd,         // "}" when a group is open
  CenterOn,         // "\qc "
  CenterOff,        // "\qj "
  Preformatted,     // the block up to "</pre>", copied
  TableStart,       // an open row closed, then "\n\par"
  TableEnd,         // an open row closed
  RowStart,         // an open row closed, then the row definition with its boundaries
  CellStart,        // "\n\pard \intbl "
  CellEnd,          // "\cell"
  RowEnd,           // filler cells and "\pard \intbl \row \pard\n"
};

// How a matched tag changes the state (beyond what its snippet does).
enum class RtfTagChange : unsigned char {
  None,
  BreakPending,     // breakPending = 1
  BulletListOn,     // inBulletList = 1
  BulletListOff,    // inBulletList = 0
  NumberedListOn,   // inNumberedList = 1, itemNumber = 1
  NumberedListOff,  // inNumberedList = 0
  StrongOn,         // strongOpen = 1
  StrongOff,        // strongOpen = 0
  BoldOn,           // boldOpen = 1
  BoldOff,          // boldOpen = 0
  CenterStart,      // centering Started
  CenterEnd,        // centering Off
  TextOff,          // textOn = 0
  CellClosed,       // cellsLeft - 1
};

// One row of a tag table. Letters of a form match either case; "#" is one decimal digit,
// "?" any one byte; every other byte matches only itself. Forms are looked up by the byte
// after "<", and closing forms by the letter after "</", so neither may be "#" or "?".
struct RtfTagRow {
  std::string_view form;
  std::string_view altForm;  // a second spelling with the same effect, or empty
  RtfTagShape shape;
  RtfTagCondition condition;
  RtfTagSnippet snippet;
  RtfTagChange change;
};

// Short names for the tables' columns.
namespace rtf_tag_columns {
using Shape = RtfTagShape;
using When = RtfTagCondition;
using Put = RtfTagSnippet;
using Then = RtfTagChange;

// The common tag forms of both RTF modes, in the order they are tried: the first row that
// matches wins. (RTF with tables tries its own rows after these.)
inline constexpr RtfTagRow kCommonRows[] = {
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
}  // namespace rtf_tag_columns

inline constexpr std::span<const RtfTagRow> kRtfTagRows = rtf_tag_columns::kCommonRows;

inline constexpr size_t kNoMatch = static_cast<size_t>(-1);

// The first four bytes of a form as a masked comparison: the tag's bytes (the first in the
// low byte), with 0x20 set at letter positions (uppercase folds to lowercase), must equal
// value under mask. Bytes past the form, "?" and "#" are masked out and left to the matcher.
struct RtfTagKey {
  uint32_t value = 0;
  uint32_t mask = 0;
  uint32_t fold = 0;
  size_t verified = 1;  // leading bytes of the form that a passing key has matched

  constexpr RtfTagKey() = default;
  constexpr explicit RtfTagKey(std::string_view form) {
    bool exact = true;
    for (size_t i = 0; i < 4 && i < form.size(); ++i) {
      auto c = static_cast<unsigned char>(form[i]);
      if (c == '?' || c == '#') {
        exact = false;
        continue;
      }
      value |= uint32_t{c} << (8 * i);
      mask |= uint32_t{0xFF} << (8 * i);
      if (c >= 'a' && c <= 'z') fold |= uint32_t{0x20} << (8 * i);
      if (exact) verified = i + 1;
    }
  }

  constexpr bool MayMatch(uint32_t head) const { return ((head | fold) & mask) == value; }
};

// The rows that can match a tag, grouped by the byte after "<" (after "</" for closing
// forms), letters lowercased; each group in table order. A tag is compared only with the
// one to three rows that start like it. Built at compile time, where complete() proves that
// no row was left out.
class RtfTagIndex {
 public:
  struct Entry {
    const RtfTagRow* row = nullptr;
    RtfTagKey key;
    RtfTagKey altKey;     // the key of the other form, when the row has one
    bool hasAlt = false;
  };

  constexpr RtfTagIndex(std::span<const RtfTagRow> common, std::span<const RtfTagRow> extra) {
    Add(common);
    Add(extra);
  }

  // Every row has its place: no group and no table outgrew the index, and every form can be
  // found by the bytes after its "<".
  constexpr bool complete() const { return complete_; }

  // The rows for the tag whose "<" is at text[p] (p + 2 < n), in the order they are tried.
  std::span<const Entry> Rows(const char* text, size_t p) const {
    const Group& group = groups_[groupOf_[GroupKey(static_cast<unsigned char>(text[p + 1]),
                                                   static_cast<unsigned char>(text[p + 2]))]];
    return {group.entries, group.count};
  }

 private:
  static constexpr size_t kMaxGroups = 24;
  static constexpr size_t kMaxPerGroup = 4;

  struct Group {
    Entry entries[kMaxPerGroup] = {};
    size_t count = 0;
  };

  static constexpr size_t GroupKey(unsigned char second, unsigned char third) {
    return second == '/' ? 256 + (third | 0x20) : (second | 0x20);
  }

  constexpr void Add(std::span<const RtfTagRow> rows) {
    for (const RtfTagRow& row : rows) {
      // The group is found by the byte after "<" (after "</" for closing forms), which may
      // be no wildcard.
      const bool closing = row.form.size() >= 2 && row.form[1] == '/';
      const size_t at = closing ? 2 : 1;
      if (row.form.size() <= at || row.form[at] == '#' || row.form[at] == '?') {
        complete_ = false;
        continue;
      }
      size_t key = GroupKey(static_cast<unsigned char>(row.form[1]),
                            closing ? static_cast<unsigned char>(row.form[2]) : 0);
      if (groupOf_[key] == 0) {
        if (used_ == kMaxGroups) {
          complete_ = false;
          continue;
        }
        groupOf_[key] = static_cast<unsigned char>(++used_);
      }
      Group& group = groups_[groupOf_[key]];
      if (group.count == kMaxPerGroup) {
        complete_ = false;
        continue;
      }
      group.entries[group.count++] = {&row, RtfTagKey(row.form), RtfTagKey(row.altForm),
                                      !row.altForm.empty()};
    }
  }

  unsigned char groupOf_[512] = {};  // group number by key; 0: no row starts so
  Group groups_[kMaxGroups + 1] = {};
  size_t used_ = 0;
  bool complete_ = true;
};

inline bool ConditionHolds(const RtfTagState& s, RtfTagCondition condition) {
  switch (condition) {
    case RtfTagCondition::Always: return true;
    case RtfTagCondition::NoBreakPending: return !s.breakPending;
    case RtfTagCondition::StrongOpen: return s.strongOpen;
    case RtfTagCondition::CenterNotWritten: return s.centering != Centering::TextWritten;
    case RtfTagCondition::RowOpen: return s.rowOpen;
  }
  return false;
}

// The position of the tag's ">" when form matches at text[p], else kNoMatch. Bytes before
// from are known to match already.
inline size_t MatchForm(const char* text, size_t n, size_t p, std::string_view form, RtfTagShape shape,
                 size_t from) {
  if (n - p < form.size()) return kNoMatch;
  for (size_t i = from; i < form.size(); ++i) {
    unsigned char f = static_cast<unsigned char>(form[i]);
    unsigned char b = static_cast<unsigned char>(text[p + i]);
    bool ok = f == '#'                  ? (b >= '0' && b <= '9')
              : f == '?'                ? true
              : (f >= 'a' && f <= 'z') ? (b | 0x20) == f
                                        : b == f;
    if (!ok) return kNoMatch;
  }
  size_t after = p + form.size();
  if (shape == RtfTagShape::Exact) return after - 1;
  if (after >= n) return kNoMatch;
  if (text[after] == '>') return after;
  if (text[after] != ' ') return kNoMatch;
  // Attributes are skipped to the first ">"; without one the tag takes the rest of the text.
  size_t close = FindByte(text, n, after, '>');
  return close < n ? close : n - 1;
}

// Tries the rows of index in order at the "<" at text[p] (of n bytes), with the conditions
// read from state; returns the matched row's tag end (its ">") or kNoMatch. Inline: the pass
// calls it at every tag.
[[gnu::always_inline]] inline size_t MatchRows(const char* text, size_t n, const RtfTagState& state, const RtfTagIndex& index,
                 size_t p, const RtfTagRow*& matched) {
  // Every form needs three bytes at least ("<p" and the byte after the name).
  if (n - p < 3) return kNoMatch;
  const auto* s = reinterpret_cast<const unsigned char*>(text + p);
  // The first byte in the low byte, as the keys hold them; bytes past the text read as 0,
  // which no form holds.
  uint32_t head = s[0] | uint32_t{s[1]} << 8 | uint32_t{s[2]} << 16 |
                  (n - p >= 4 ? uint32_t{s[3]} << 24 : 0);
  for (const RtfTagIndex::Entry& entry : index.Rows(text, p)) {
    bool mayBeForm = entry.key.MayMatch(head);
    bool mayBeAlt = entry.hasAlt && entry.altKey.MayMatch(head);
    if (!(mayBeForm || mayBeAlt)) continue;
    const RtfTagRow& row = *entry.row;
    if (!ConditionHolds(state, row.condition)) continue;
    size_t end = mayBeForm ? MatchForm(text, n, p, row.form, row.shape, entry.key.verified)
                           : kNoMatch;
    if (end == kNoMatch && mayBeAlt)
      end = MatchForm(text, n, p, row.altForm, row.shape, entry.altKey.verified);
    if (end != kNoMatch) {
      matched = &row;
      return end;
    }
  }
  return kNoMatch;
}

}  // namespace vellumine
