// A picture's bytes as the pictures of a page reach the RTF writer: a PNG or a JPEG known by
// its first bytes (never by its name) with its size in pixels, and the two encodings an
// address may hold it in (percent-encoding, base64). Pure: no file is read here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reading/picture_finder.h"

namespace vellumine {

// The longest side a picture may have, in pixels: PNG's own limit (a JPEG's is 65535).
inline constexpr uint32_t kLongestPictureSide = 0x7FFFFFFF;

// Learns a picture's kind and size from its bytes, fed in pieces of any length: a PNG by its
// signature and the IHDR chunk that must follow it, a JPEG by its start marker and the
// segments after it up to a frame header (SOFn) that gives the size, however far in. A side
// of 0 or past kLongestPictureSide, a header cut short, a JPEG whose scan or end comes before
// its frame header: refused.
class PictureRecognizer {
 public:
  enum class Verdict : uint8_t { NeedMore, Known, Refused };

  // Takes the next n bytes; once the verdict is Known or Refused, later bytes change nothing.
  Verdict Feed(const unsigned char* bytes, size_t n);
  // The bytes have ended: a picture not known by now is refused.
  Verdict End();
  Verdict verdict() const { return verdict_; }
  // The kind and size, when Known.
  const PictureFacts& facts() const { return facts_; }

 private:
  enum class Step : uint8_t {
    Start,       // the first bytes, into held_
    PngHeader,   // the signature and IHDR's length, type, width and height, into held_
    JpegMarker,  // the 0xFF that starts a segment
    JpegCode,    // the marker's code (after any 0xFF fill bytes)
    JpegLength,  // the segment's two length bytes, into held_
    JpegSkip,    // a segment's bytes passed over (skip_ left)
    JpegFrame,   // a frame header's precision, height and width, into held_
  };
  Verdict Decide(Verdict verdict) { return verdict_ = verdict; }
  // Moves bytes into held_ until it holds `want`; true when it does.
  bool Collect(const unsigned char*& bytes, const unsigned char* end, size_t want);
  Verdict TakeCode(unsigned char code);
  Verdict TakeLength();

  static constexpr size_t kHeld = 24;  // the longest header read whole: PNG's, to its height

  Step step_ = Step::Start;
  Verdict verdict_ = Verdict::NeedMore;
  unsigned char held_[kHeld];
  size_t heldCount_ = 0;
  unsigned char code_ = 0;  // the JPEG segment whose length is being read
  uint32_t skip_ = 0;
  PictureFacts facts_;
};

// The facts of a picture whose first n bytes are all there is (kind None when refused).
PictureFacts RecognizePicture(const unsigned char* bytes, size_t n);

// Decodes each "%XX" (two hexadecimal digits) of text into its byte at out; a '%' without
// two digits after it stays as it is. Returns the length written, never more than text's:
// out may be text's own bytes.
size_t PercentDecode(std::string_view text, char* out);

// Base64 decoded as it comes, a piece at a time: blanks (space, tab, line feed, form feed,
// carriage return) are passed over, and the first other byte that is not of base64's
// alphabet ("=" padding among them) ends the data: what follows is ignored. A last group of
// two or three characters gives its one or two bytes.
class Base64Decoder {
 public:
  // Decodes n bytes of text to out, and returns the bytes written (at most n * 3 / 4 + 1).
  // Each byte is written only after the character that completes it is read, so out may be
  // text itself.
  size_t Decode(const unsigned char* text, size_t n, unsigned char* out);
  // A byte that ends the data has been met.
  bool ended() const { return ended_; }

 private:
  uint32_t bits_ = 0;  // the bits read and not yet written (fewer than 8 of them)
  int count_ = 0;      // how many
  bool ended_ = false;
};

}  // namespace vellumine
