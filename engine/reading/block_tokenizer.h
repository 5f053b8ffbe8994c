// The tokens of a page given a block at a time, each handed on as soon as it is read: the
// tokenizer stops where a block's bytes no longer settle the next token and goes on when
// the next block comes, carrying over only the bytes of that partial token (a tag, a text
// run, a reference) or of the markup being passed over. Nothing is tokenized twice but those
// few bytes, and nothing of the page is held but the block and the carried bytes.
#pragma once

#include <cstddef>
#include <cstring>

#include "reading/html_tokenizer.h"

namespace vellumine {

class BlockTokenizer {
 public:
  // Blocks of at most this many bytes.
  static constexpr size_t kBlock = size_t{512} << 10;
  // The most bytes carried over to the next block: a text token is shorter (its runs are
  // cut at HtmlTokenizer::kLongestRun at the latest), and a tag longer than this is passed
  // over up to the first ">" after where it was cut.
  static constexpr size_t kCarry = size_t{128} << 10;
  // A token is handed on where the block reaches this far past the position after it (the
  // tokenizer looks at most this far ahead: a reference's name, the byte after a "<").
  static constexpr size_t kSettled = 64;
  static_assert(HtmlTokenizer::kLongestRun + 4 + kSettled < kCarry);
  static_assert(HtmlTokenizer::kListWindow + 4096 < kCarry);
  // Bytes after a block's end that its reader may read (zero after the page's end).
  static constexpr size_t kReadPast = 64;
  // The bytes a block's buffer holds: kCarry before the block, kReadPast after it.
  static constexpr size_t BufferSize(size_t block) { return kCarry + block + kReadPast; }

  BlockTokenizer() = default;
  BlockTokenizer(const BlockTokenizer&) = delete;
  BlockTokenizer& operator=(const BlockTokenizer&) = delete;

  // The next block's n bytes at `block`, which has kCarry bytes of room before it and
  // kReadPast after it, in a buffer other than the last block's (which holds its bytes
  // until this call); last when the page ends with them. Hands take(text, token, position)
  // each token they settle (positions index text, the block with the bytes carried over
  // before it; position is where the token after it starts), and takes every token of the
  // page with the last.
  template <typename Take>
  void Commit(char* block, size_t n, bool last, Take&& take) {
    char* const text = block - carried_;
    if (carried_ > 0) std::memcpy(text, carryFrom_, carried_);
    const size_t end = carried_ + n;
    if (last) std::memset(text + end, 0, kReadPast);
    Tokenize(text, end, last, take);
  }

  // The tokens of text[0, n), a whole page in memory (kReadPast bytes after it are read).
  template <typename Take>
  static void TokenizeWhole(const char* text, size_t n, Take&& take) {
    HtmlTokenizer tokens(text, n);
    for (HtmlToken token = tokens.Next(); token.kind != HtmlToken::Kind::End;
         token = tokens.Next())
      take(text, token, tokens.position());
  }

  // The page's position of the first byte the last Commit's text held.
  size_t offset() const { return offset_; }

 private:
  template <typename Take>
  void Tokenize(char* text, size_t n, bool last, Take& take) {
    HtmlTokenizer tokens(text, n);
    if (goOn_.kind != PassingOver::Kind::None) tokens.GoOn(goOn_);
    goOn_ = {};
    if (last) {
      for (HtmlToken token = tokens.Next(); token.kind != HtmlToken::Kind::End;
           token = tokens.Next())
        take(text, token, tokens.position());
      carried_ = 0;
      return;
    }
    size_t from;  // what is carried over
    for (;;) {
      const HtmlToken token = tokens.Next();
      if (token.kind == HtmlToken::Kind::End) {
        goOn_ = tokens.passingOver();
        // (A passing over looks back one byte from where it goes on: "%>" ends a server block.)
        from = goOn_.kind != PassingOver::Kind::None ? goOn_.from - (goOn_.from > 0)
                                                     : tokens.tokenStart();
        break;
      }
      // Read again with the next block (a whole tag too long to carry is whole already); a
      // reversed list's start tag once its items are counted as far as they are counted.
      if (tokens.position() + kSettled > n || token.count == 1) [[unlikely]] {
        const size_t settled = token.count == 1 && token.kind == HtmlToken::Kind::StartTag
                                   ? HtmlTokenizer::kListWindow
                                   : kSettled;
        if (tokens.position() + settled > n && n - tokens.tokenStart() <= kCarry) {
          from = tokens.tokenStart();
          break;
        }
      }
      take(text, token, tokens.position());
    }
    Carry(text, n, from);
  }

  // Keeps text[from, n) to go before the next block.
  void Carry(const char* text, size_t n, size_t from) {
    if (n - from > kCarry) {
      // Markup too long to carry (a tag with megabytes of attributes): passed over up to
      // the first ">" from here on.
      goOn_ = {PassingOver::Kind::ToTagEnd, 0};
      from = n;
    } else if (goOn_.kind != PassingOver::Kind::None) {
      goOn_.from -= from;
    }
    carried_ = n - from;
    carryFrom_ = text + from;
    offset_ += from;
  }

  const char* carryFrom_ = nullptr;  // in the last block's buffer
  size_t carried_ = 0;               // bytes carried over to go before the next block
  PassingOver goOn_;  // markup being passed over that the next block goes on with
  size_t offset_ = 0;  // the page's position of the current text's first byte
};

}  // namespace vellumine
