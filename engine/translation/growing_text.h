// A page's text as a reading pass sees it: all of it in memory, or read a block at a time as
// the pass gets to it and let go of behind. Positions are the page's own either way, so a
// pass holds positions and pointers into text() as it would into a whole text.
#pragma once

#include <cstddef>

namespace vellumine {

class GrowingText {
 public:
  virtual ~GrowingText() = default;

  // The text's first byte. text()[p] may be read for every p that was reached and not
  // passed.
  const char* text() const { return text_; }
  // Makes text()[0, p) readable, as far as the text goes, and returns how far it may be read
  // now: p or more, or the text's whole length when it ends first. A pass may also read the
  // kReadPast bytes after that (what they hold does not matter, except after the text's end,
  // where they are zero).
  virtual size_t Reach(size_t p) = 0;
  // Whether the text's end was reached: Reach then gives its length.
  virtual bool Ended() const = 0;
  // Reach(p), and whether what it gives is the text's whole length. Another pass may read
  // the text to its end between a Reach and an Ended after it, which would take part of the
  // text for all of it; so Ended is asked first. A text that ends in this Reach may give
  // less than p with ended false: the next call says it ended.
  size_t ReachNoting(size_t p, bool& ended) {
    ended = Ended();
    return Reach(p);
  }
  // The pass reads nothing before p again.
  virtual void Pass(size_t /*p*/) {}
  // Back to the start for another pass.
  virtual void Rewind() {}
  // The text's length, or for a text still being read the most it can be.
  virtual size_t expected() const = 0;

  // How far past what it has read a pass reaches for more at a time.
  virtual size_t step() const { return kStep; }

  static constexpr size_t kReadPast = 64;
  static constexpr size_t kStep = size_t{64} << 10;

 protected:
  const char* text_ = nullptr;
};

// A text that is all in memory: text[0, n), and the bytes after it that the caller lets a
// pass read.
class WholeText final : public GrowingText {
 public:
  WholeText(const char* text, size_t n) : n_(n) { text_ = text; }
  size_t Reach(size_t) override { return n_; }
  bool Ended() const override { return true; }
  size_t expected() const override { return n_; }

 private:
  size_t n_;
};

// A scan over a text read as it goes: n is how far it may be read, grown when a step needs
// more.
class TextScan {
 public:
  explicit TextScan(GrowingText& page) : page_(page), step_(page.step()), text(page.text()) {
    Grow(step_);
  }
  // Makes text[p, p + k) readable where the text holds it; false when p is at its end.
  bool Need(size_t p, size_t k) {
    if (n - p < k && !ended_) Grow(p + k);
    return p < n;
  }
  // Reads on past n; false at the text's end.
  bool More() {
    if (ended_) return false;
    Grow(n + step_);
    return true;
  }
  void Pass(size_t p) { page_.Pass(p); }

 private:
  void Grow(size_t p) { n = page_.ReachNoting(p, ended_); }
  GrowingText& page_;
  size_t step_;
  bool ended_ = false;

 public:
  const char* const text;
  size_t n = 0;
};

}  // namespace vellumine
