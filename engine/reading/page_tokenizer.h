// The tokens of a page whose text is read as the tokens get to it (a GrowingText). Each token
// is read where the text reaches far enough past it to be the token the whole page gives:
// the tokenizer looks at most kSettled bytes past the position after a token (a reference's
// name, the byte after a "<"); a token whose search ran into the part not yet read is read
// again over more text.
#pragma once

#include <algorithm>
#include <cstddef>

#include "reading/html_tokenizer.h"
#include "translation/growing_text.h"

namespace vellumine {

class PageTokenizer {
 public:
  static constexpr size_t kSettled = 64;

  // With passing set, the text before a token is passed when the next is read: the reader
  // of the tokens looks back at none it took.
  explicit PageTokenizer(GrowingText& page, size_t position = 0, bool passing = false)
      : page_(page), step_(page.step()), bound_(page.ReachNoting(position + step_, ended_)),
        passing_(passing), tokens_(page.text(), bound_, position), position_(position) {}

  // The common case inline: a token read where the text reaches far enough past it.
  [[gnu::always_inline]] HtmlToken Next() {
    if (goOn_.kind != PassingOver::Kind::None) return GoOnThenNext();
    const HtmlToken token = tokens_.Next();
    if (Settled()) return token;
    return Unsettled(token, position_);
  }
  size_t position() const { return position_; }
  const TagAttributes& UsedAttributes(const HtmlToken& token, AttributeUse use,
                                      TagAttributes& scratch) const {
    return tokens_.UsedAttributes(token, use, scratch);
  }

 private:
  // Whether the token just read ends where the text reaches far enough past it to be the
  // whole page's; then the position after it is taken.
  bool Settled() {
    if (!ended_ && tokens_.position() + kSettled > bound_) return false;
    position_ = tokens_.position();
    return true;
  }

  // token, read from start, ran into the part of the text not read yet.
  [[gnu::noinline]] HtmlToken Unsettled(HtmlToken token, size_t start) {
    for (;;) {
      if (token.kind == HtmlToken::Kind::End &&
          tokens_.passingOver().kind != PassingOver::Kind::None) {
        // Markup passed over ran into it: the next call goes on with it, and this Passed
        // token lets what lies before it go.
        goOn_ = tokens_.passingOver();
        const size_t before = goOn_.from > HtmlTokenizer::kLongestEnd
                                  ? goOn_.from - HtmlTokenizer::kLongestEnd : 0;
        position_ = std::max(position_, before);
        HtmlToken passed;
        passed.kind = HtmlToken::Kind::Passed;
        return passed;
      }
      if (passing_) page_.Pass(start);
      // Twice as far past the token's start each time: a long token is read again a few
      // times, not once for every step.
      bound_ = page_.ReachNoting(bound_ + std::max(step_, bound_ - start), ended_);
      tokens_ = HtmlTokenizer(page_.text(), bound_, start);
      token = tokens_.Next();
      if (Settled()) return token;
    }
  }

  [[gnu::noinline]] HtmlToken GoOnThenNext() {
    GoOnPassingOver();
    const size_t start = tokens_.position();
    const HtmlToken token = tokens_.Next();
    if (Settled()) return token;
    return Unsettled(token, start);
  }

  // Goes on with the passing over a step further at a time (whatever more the page holds
  // in memory), so that a Passed token lets go of at most that much.
  void GoOnPassingOver() {
    if (passing_) page_.Pass(position_);
    const size_t want = std::max(bound_, goOn_.from) + step_;
    bool ended = false;
    const size_t reached = page_.ReachNoting(want, ended);
    bound_ = std::min(reached, want);
    ended_ = ended && bound_ == reached;
    tokens_ = HtmlTokenizer(page_.text(), bound_, goOn_.from);
    tokens_.GoOn(goOn_);
    goOn_ = {};
  }

  GrowingText& page_;
  size_t step_;  // how much more is read at a time
  bool ended_ = false;  // bound_ is the text's end (set as bound_ is)
  size_t bound_;
  bool passing_;
  HtmlTokenizer tokens_;
  size_t position_ = 0;  // after the last token given
  PassingOver goOn_;     // markup passed over that the next call goes on with
};

}  // namespace vellumine
