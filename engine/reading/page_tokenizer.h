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
      : page_(page), bound_(page.Reach(position + kStep)), ended_(page.Ended()),
        passing_(passing), tokens_(page.text(), bound_, position) {}

  HtmlToken Next() {
    for (;;) {
      const size_t start = tokens_.position();
      const HtmlToken token = tokens_.Next();
      if (ended_ || tokens_.position() + kSettled <= bound_) return token;
      if (passing_) page_.Pass(start);
      // Twice as far past the token's start each time: a long token is read again a few
      // times, not once for every step.
      bound_ = page_.Reach(bound_ + std::max(kStep, bound_ - start));
      ended_ = page_.Ended();
      tokens_ = HtmlTokenizer(page_.text(), bound_, start);
    }
  }
  size_t position() const { return tokens_.position(); }
  void UsedAttributes(const HtmlToken& token, AttributeUse use, TagAttributes& attributes) const {
    tokens_.UsedAttributes(token, use, attributes);
  }

 private:
  static constexpr size_t kStep = size_t{64} << 10;
  GrowingText& page_;
  size_t bound_;
  bool ended_;
  bool passing_;
  HtmlTokenizer tokens_;
};

}  // namespace vellumine
