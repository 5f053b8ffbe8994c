// The one forward pass shared by both RTF modes: its state, its tag table and its steps.
// Internal to the RTF writer; the interface is rtf_writer.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "byte_buffer.h"
#include "byte_scan.h"
#include "char_mappers.h"
#include "entities.h"
#include "progress.h"
#include "rtf_templates.h"

namespace vellumine {

// The state of one translation, fresh for every file. Flags, not nesting counters: a second
// opening tag of a kind only sets its flag again.
struct RtfTagState {
  // Text flow.
  bool textOn = false;        // the bytes under the cursor are text, not part of a tag
  bool breakPending = false;  // a break was the last thing written, no text since

  // Lists.
  bool inBulletList = false;    // between "<ul" and "</ul>"
  bool inNumberedList = false;  // between "<ol" and "</ol>"
  uint64_t itemNumber = 1;      // the number the next numbered item gets

  // Groups and alignment.
  bool boldOpen = false;    // "<b" opened a bold group that "</b>" has not closed
  bool strongOpen = false;  // "<strong>" opened a bold group that "</strong>" has not closed
  size_t groupDepth = 0;    // groups the body opened and has not closed; no brace closes more
  int centerState = 0;      // 0 not centred, 1 "\qc " and no text since, 2 text since "\qc "

  // Tables (RTF with tables only).
  bool rowOpen = false;   // a row start tag opened a row that is not closed yet
  int64_t cellsLeft = 0;  // cells counted for the open row less its cell end tags; may go below 0
};

// The body as the pass writes it: a cursor into the buffer's block, so that appending costs
// a bounds check and a copy. The buffer grows when the body outgrows it; when it cannot, the
// bytes are dropped and the buffer says failed(). The buffer's length is brought up to date
// by Sync (and on destruction).
class RtfBody {
 public:
  explicit RtfBody(ByteBuffer& buffer) : buffer_(buffer) { Load(); }
  ~RtfBody() { Sync(); }
  RtfBody(const RtfBody&) = delete;
  RtfBody& operator=(const RtfBody&) = delete;

  // Makes room for k bytes at cursor(); false when the buffer cannot grow.
  bool Room(size_t k) { return static_cast<size_t>(limit_ - out_) >= k || Grow(k); }
  char* cursor() { return out_; }
  void Advance(size_t k) { out_ += k; }

  void Push(char c) {
    if (Room(1)) *out_++ = c;
  }
  void Append(const char* bytes, size_t k) {
    if (!Room(k)) return;
    std::memcpy(out_, bytes, k);
    out_ += k;
  }
  void Append(std::string_view s) { Append(s.data(), s.size()); }

  bool empty() const { return out_ == buffer_.data(); }
  char Back() const { return out_[-1]; }

  // A control word ("\cell", "\n\par", a boundary's number) ends here with no delimiter.
  void EndControlWord() { controlWordEnd_ = Offset(); }
  // Nothing has been appended since that control word ended.
  bool AtControlWordEnd() const { return Offset() == controlWordEnd_; }

  void Sync() { buffer_.Resize(Offset()); }

 private:
  bool Grow(size_t k) {
    Sync();
    if (!buffer_.Reserve(k)) return false;
    Load();
    return true;
  }
  void Load() {
    out_ = buffer_.data() + buffer_.size();
    limit_ = buffer_.data() + buffer_.capacity();
  }
  size_t Offset() const { return static_cast<size_t>(out_ - buffer_.data()); }

  ByteBuffer& buffer_;  // owns the block
  char* out_;           // where the next byte goes
  char* limit_;         // the end of the block
  size_t controlWordEnd_ = static_cast<size_t>(-1);  // offset after an undelimited control word
};

// One translation: what it reads, what it writes and its state.
struct RtfTranslation {
  // Inputs, fixed for the call.
  const char* text;                // the prepared text
  size_t n;                        // its length
  const RtfTemplates& templates;   // snippets formatted for this file
  CharMapper mapper;               // applied to every text byte written
  bool cyrillic;                   // code page 1251 document: high bytes written as they are
  bool utf8;                       // UTF-8 page: bytes from 0x80 up decoded to characters
  ProgressTicks& ticks;            // reported at every step

  // Output.
  RtfBody body;  // the body is appended here (it grows as needed)

  // State and scratch, for this call only.
  RtfTagState state{};
  EntityResult entity{};  // the replacement of the last reference
};

// How a tag form ends. Exact: the form includes its ">". Open: the byte after the name is
// ">" or a blank, and after a blank everything up to the first ">" is skipped.
enum class RtfTagShape : unsigned char { Exact, Open };

// When a row is tried at all; a row whose condition fails lets the byte fall through.
enum class RtfTagCondition : unsigned char {
  Always,
  NoBreakPending,    // breakPending = 0
  StrongOpen,        // strongOpen = 1
  CenterNotWritten,  // centerState is not 2
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
  CenterStart,      // centerState = 1
  CenterEnd,        // centerState = 0
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

// The pass itself: the common tag rows, then extraRows, then the text rules. Returns the
// depth of the groups the body left open.
int RunRtfTranslation(RtfTranslation& t, std::span<const RtfTagRow> extraRows);

// The first byte c in text[q..n), or n (the pass and the cell count): a chunk at a time
// (the distances are short; a library call would cost more than the search).
inline size_t FindByte(const char* text, size_t n, size_t q, char c) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (n - q >= kScanChunk) {
    ScanBits found = ScanChunk(s + q).Equal(c).Bits();
    if (found) return q + FirstSetByte(found);
    q += kScanChunk;
  }
  while (q < n && text[q] != c) ++q;
  return q;
}

// Keeps the text byte next (as the mapper writes it) apart from a control word that has just
// ended without a delimiter: a letter, a digit or "-" would be read as part of that word, so
// a blank goes between them.
inline void DelimitControlWord(RtfBody& body, unsigned char next) {
  if (!body.AtControlWordEnd()) return;
  if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') ||
      (next >= '0' && next <= '9') || next == '-')
    body.Push(' ');
}

// Appends value in decimal (item numbers, cell boundaries).
void AppendDecimal(RtfBody& body, uint64_t value);

// Table steps, used by the pass.
void AppendTableStart(RtfTranslation& t);
void AppendTableEnd(RtfTranslation& t);
void AppendRowStart(RtfTranslation& t, size_t tagEnd);
void AppendRowEnd(RtfTranslation& t);

}  // namespace vellumine
