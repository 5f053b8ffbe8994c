// The one forward pass shared by both RTF modes: what it reads and writes, and its steps.
// Internal to the RTF writer; the interface is rtf_writer.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "fast/byte_buffer.h"
#include "fast/byte_scan.h"
#include "translation/char_mappers.h"
#include "translation/entities.h"
#include "translation/output_stream.h"
#include "fast/progress_ticks.h"
#include "translation/rtf_tag_table.h"
#include "translation/rtf_templates.h"
#include "fast/split_translation.h"
#include "translation/translation_input.h"

namespace vellumine {

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
  const char* begin() const { return buffer_.data(); }
  size_t length() const { return Offset(); }
  bool failed() const { return buffer_.failed(); }

  // A control word ("\cell", "\n\par", a boundary's number) ends here with no delimiter.
  void EndControlWord() { controlWordEnd_ = Offset(); }
  // Nothing has been appended since that control word ended.
  bool AtControlWordEnd() const { return Offset() == controlWordEnd_; }

  void Sync() { buffer_.Resize(Offset()); }

  // Where the body stands, to be gone back to: what was appended after it is dropped.
  struct Saved {
    size_t length;
    size_t controlWordEnd;
  };
  Saved Save() const { return {Offset(), controlWordEnd_}; }
  void Restore(const Saved& saved) {
    out_ = buffer_.data() + saved.length;
    controlWordEnd_ = saved.controlWordEnd;
  }

  // Writes the body to out, then bytes[0..k), but keeps the last of all these bytes (the
  // next steps look at it) as the body's only byte; nothing when there are fewer than two
  // (so bytes are appended when k is 1). After bytes, no undelimited control word ends the
  // body.
  void DrainTo(OutputStream& out, const char* bytes = nullptr, size_t k = 0) {
    const size_t length = Offset();
    if (length + k < 2 || failed()) return;
    const bool keepsControlWordEnd = k == 0 && AtControlWordEnd();
    const char last = k > 0 ? bytes[k - 1] : out_[-1];
    out.Write(buffer_.data(), k > 0 ? length : length - 1);
    if (k > 1) out.Write(bytes, k - 1);
    buffer_.data()[0] = last;
    out_ = buffer_.data() + 1;
    controlWordEnd_ = keepsControlWordEnd ? 1 : kNoControlWordEnd;
  }

 private:
  static constexpr size_t kNoControlWordEnd = static_cast<size_t>(-1);
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
  size_t controlWordEnd_ = kNoControlWordEnd;  // offset after an undelimited control word
};

// The RTF text of the characters a UTF-8 page used last, one for each value of a code
// point's last eight bits: a page's words use few characters over and over. Characters
// above U+FFFF are not kept.
struct RtfCharacterCache {
  struct Entry {
    char bytes[11];                           // the RTF text, then anything
    unsigned char length;                     // its length
    uint32_t codePoint = 0xFFFFFFFF;          // the character, or none
  };
  static_assert(sizeof(Entry) == 16);
  Entry entries[256];
};

// One translation: what it reads, what it writes and its state.
struct RtfTranslation {
  RtfTranslation(const TranslationInput& input, const RtfTemplates& snippets, ByteBuffer& buffer)
      : text(input.text),
        n(input.n),
        templates(snippets),
        mapper(input.encoding.mapper),
        cyrillic(input.encoding.cyrillic),
        utf8(input.encoding.utf8),
        ticks(input.ticks),
        longestStep(input.longestStep),
        stream(input.stream),
        streamPiece(input.streamPiece),
        body(buffer) {}

  // Inputs, fixed for the call.
  const char* text;                // the prepared text
  size_t n;                        // its length
  const RtfTemplates& templates;   // snippets formatted for this file
  CharMapper mapper;               // applied to every text byte written
  bool cyrillic;                   // code page 1251 document: high bytes written as they are
  bool utf8;                       // UTF-8 page: bytes from 0x80 up decoded to characters
  ProgressTicks& ticks;            // reported at every step
  size_t longestStep;              // a longer run is taken as several steps

  // Output.
  OutputStream* stream;  // where the body goes a piece at a time, if anywhere
  size_t streamPiece;    // the text whose body goes at a time
  RtfBody body;          // the body is appended here (it grows as needed)

  // State and scratch, for this call only.
  RtfTagState state{};
  size_t lookedTo = 0;              // the farthest a step looked without taking the bytes
  EntityResult entity{};            // the replacement of the last reference
  RtfCharacterCache characters{};  // the RTF of a UTF-8 page's last characters
};

// The steps of the pass that start from p up to stop: the tag rows of index, then the text
// rules. Returns where the next step starts.
size_t RunRtfSteps(RtfTranslation& t, const RtfTagIndex& index, size_t p, size_t stop);

// The whole pass, in halves when secondBody is given (it takes the second half's body), and
// the row left open closed. Returns the depth of the groups the body left open.
int RunRtfTranslation(RtfTranslation& t, const RtfTagIndex& index, ByteBuffer* secondBody);

// The body of one text by the rows of index, in halves from input.splitFrom on.
int TranslateRtfBody(const TranslationInput& input, const RtfTemplates& templates,
                     ByteBuffer& body, const RtfTagIndex& index);

// The same over a text read as it goes, written to out a window at a time; -1 when the body
// could not grow.
int TranslateRtfBodyAsItGoes(SlidingText& text, const EncodingChoice& encoding,
                             const RtfTemplates& templates, const RtfTagIndex& index,
                             OutputStream& out, size_t window);

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
