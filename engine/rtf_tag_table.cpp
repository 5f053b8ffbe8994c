// The RTF pass's tag matcher: the rows a tag can match, their conditions, their forms.
#include "rtf_tag_table.h"

#include "byte_scan.h"

namespace vellumine {
namespace {

bool ConditionHolds(const RtfTagState& s, RtfTagCondition condition) {
  switch (condition) {
    case RtfTagCondition::Always: return true;
    case RtfTagCondition::NoBreakPending: return !s.breakPending;
    case RtfTagCondition::StrongOpen: return s.strongOpen;
    case RtfTagCondition::CenterNotWritten: return s.centerState != 2;
    case RtfTagCondition::RowOpen: return s.rowOpen;
  }
  return false;
}

// The position of the tag's ">" when form matches at text[p], else kNoMatch. Bytes before
// from are known to match already.
size_t MatchForm(const char* text, size_t n, size_t p, std::string_view form, RtfTagShape shape,
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

}  // namespace

size_t MatchRows(const char* text, size_t n, const RtfTagState& state, const RtfTagIndex& index,
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
