#include "reading/picture_bytes.h"

#include <algorithm>
#include <cstring>

namespace vellumine {
namespace {

constexpr unsigned char kPngStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                       0,    0,   0,   13,  'I',  'H',  'D',  'R'};
constexpr size_t kPngHeader = sizeof kPngStart + 8;  // the width and height follow

uint32_t BigEndian32(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint32_t BigEndian16(const unsigned char* p) { return uint32_t{p[0]} << 8 | p[1]; }

bool Fits(uint32_t side) { return side != 0 && side <= kLongestPictureSide; }

// JPEG marker codes.
constexpr unsigned char kTem = 0x01, kRst0 = 0xD0, kRst7 = 0xD7, kSoi = 0xD8, kEoi = 0xD9,
                        kSos = 0xDA;
// A frame header: SOF0 to SOF15 but for DHT (C4), JPG (C8) and DAC (CC), which share the row.
bool IsFrameHeader(unsigned char code) {
  return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}
// A frame header's precision, height and width.
constexpr size_t kFrameStart = 5;

}  // namespace

bool PictureRecognizer::Collect(const unsigned char*& bytes, const unsigned char* end,
                                size_t want) {
  const size_t piece = std::min(want - heldCount_, static_cast<size_t>(end - bytes));
  std::memcpy(held_ + heldCount_, bytes, piece);
  heldCount_ += piece;
  bytes += piece;
  return heldCount_ == want;
}

PictureRecognizer::Verdict PictureRecognizer::TakeCode(unsigned char code) {
  if (code == 0xFF) return Verdict::NeedMore;  // fill before the code
  step_ = Step::JpegMarker;
  if (code == kTem || (code >= kRst0 && code <= kRst7)) return Verdict::NeedMore;  // no length
  // A byte 0 stuffs a scan's data; start, end and scan cannot come before the frame header.
  if (code == 0 || code == kSoi || code == kEoi || code == kSos) return Decide(Verdict::Refused);
  code_ = code;
  heldCount_ = 0;
  step_ = Step::JpegLength;
  return Verdict::NeedMore;
}

PictureRecognizer::Verdict PictureRecognizer::TakeLength() {
  const uint32_t length = BigEndian16(held_);  // counts its own two bytes
  heldCount_ = 0;
  if (IsFrameHeader(code_)) {
    if (length < 2 + kFrameStart) return Decide(Verdict::Refused);
    step_ = Step::JpegFrame;
  } else {
    if (length < 2) return Decide(Verdict::Refused);
    skip_ = length - 2;
    step_ = Step::JpegSkip;
  }
  return Verdict::NeedMore;
}

PictureRecognizer::Verdict PictureRecognizer::Feed(const unsigned char* bytes, size_t n) {
  static_assert(kPngHeader <= kHeld);
  const unsigned char* const end = bytes + n;
  while (verdict_ == Verdict::NeedMore && bytes != end) {
    switch (step_) {
      case Step::Start:
        if (!Collect(bytes, end, 2)) break;
        if (held_[0] == 0xFF && held_[1] == kSoi) {
          facts_.kind = PictureKind::Jpeg;
          step_ = Step::JpegMarker;
        } else if (held_[0] == kPngStart[0] && held_[1] == kPngStart[1]) {
          facts_.kind = PictureKind::Png;
          step_ = Step::PngHeader;
        } else {
          return Decide(Verdict::Refused);
        }
        break;
      case Step::PngHeader: {
        if (!Collect(bytes, end, kPngHeader)) break;
        facts_.width = BigEndian32(held_ + sizeof kPngStart);
        facts_.height = BigEndian32(held_ + sizeof kPngStart + 4);
        const bool png = std::memcmp(held_, kPngStart, sizeof kPngStart) == 0;
        return Decide(png && Fits(facts_.width) && Fits(facts_.height) ? Verdict::Known
                                                                       : Verdict::Refused);
      }
      case Step::JpegMarker:
        if (*bytes++ != 0xFF) return Decide(Verdict::Refused);
        step_ = Step::JpegCode;
        break;
      case Step::JpegCode:
        TakeCode(*bytes++);
        break;
      case Step::JpegLength:
        if (Collect(bytes, end, 2)) TakeLength();
        break;
      case Step::JpegSkip: {
        const size_t piece = std::min<size_t>(skip_, static_cast<size_t>(end - bytes));
        bytes += piece;
        skip_ -= static_cast<uint32_t>(piece);
        if (skip_ == 0) step_ = Step::JpegMarker;
        break;
      }
      case Step::JpegFrame:
        if (!Collect(bytes, end, kFrameStart)) break;
        facts_.height = BigEndian16(held_ + 1);
        facts_.width = BigEndian16(held_ + 3);
        return Decide(Fits(facts_.width) && Fits(facts_.height) ? Verdict::Known
                                                                : Verdict::Refused);
    }
  }
  return verdict_;
}

PictureRecognizer::Verdict PictureRecognizer::End() {
  if (verdict_ == Verdict::NeedMore) Decide(Verdict::Refused);
  return verdict_;
}

PictureFacts RecognizePicture(const unsigned char* bytes, size_t n) {
  PictureRecognizer recognizer;
  recognizer.Feed(bytes, n);
  return recognizer.End() == PictureRecognizer::Verdict::Known ? recognizer.facts()
                                                               : PictureFacts{};
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

size_t PercentDecode(std::string_view text, char* out) {
  size_t written = 0;
  for (size_t i = 0; i < text.size();) {
    const auto* percent =
        static_cast<const char*>(std::memchr(text.data() + i, '%', text.size() - i));
    const size_t run = (percent ? static_cast<size_t>(percent - text.data()) : text.size()) - i;
    std::memmove(out + written, text.data() + i, run);  // out may be the text, behind it
    written += run;
    i += run;
    if (i == text.size()) break;
    const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low < 0) {
      out[written++] = '%';
      ++i;
    } else {
      out[written++] = static_cast<char>(high << 4 | low);
      i += 3;
    }
  }
  return written;
}

namespace {

// Each byte's meaning to base64: its six bits, a blank passed over, or the data's end.
constexpr uint8_t kBlank = 64, kEnd = 255;
struct Base64Table {
  uint8_t value[256];
  constexpr Base64Table() : value() {
    for (uint8_t& v : value) v = kEnd;
    constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (uint8_t i = 0; i < 64; ++i) value[static_cast<unsigned char>(kAlphabet[i])] = i;
    for (char blank : {' ', '\t', '\n', '\f', '\r'})
      value[static_cast<unsigned char>(blank)] = kBlank;
  }
};
constexpr Base64Table kBase64;

}  // namespace

size_t Base64Decoder::Decode(const unsigned char* text, size_t n, unsigned char* out) {
  size_t written = 0;
  for (size_t i = 0; i < n && !ended_; ++i) {
    const uint8_t value = kBase64.value[text[i]];
    if (value == kBlank) continue;
    if (value == kEnd) {
      ended_ = true;
      break;
    }
    bits_ = (bits_ << 6 | value) & 0xFFF;  // at most 6 + 6 bits are ever pending
    count_ += 6;
    if (count_ >= 8) {
      count_ -= 8;
      out[written++] = static_cast<unsigned char>(bits_ >> count_);
    }
  }
  return written;
}

}  // namespace vellumine
