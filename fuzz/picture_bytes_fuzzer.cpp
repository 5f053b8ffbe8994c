// Fuzz target: a picture's kind and size are the same whether its bytes come whole or in
// pieces, and within their limits; base64 and percent decoding give the same bytes in place
// and in pieces, never more than they are given; the size a picture is shown at keeps to
// the text's width. The first byte chooses the pieces' length (1 to 256); the rest (at least
// a byte) is the picture, and the text given to the decoders.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "reading/picture_bytes.h"
#include "reading/rtf_picture.h"

namespace {

using vellumine::PictureFacts;
using vellumine::PictureKind;
using vellumine::PictureRecognizer;

void Check(bool holds) {
  if (!holds) std::abort();
}

bool Same(const PictureFacts& a, const PictureFacts& b) {
  return a.kind == b.kind && a.width == b.width && a.height == b.height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t piece = size_t{data[0]} + 1;
  const unsigned char* bytes = data + 1;
  const size_t n = size - 1;

  const PictureFacts whole = vellumine::RecognizePicture(bytes, n);
  PictureRecognizer fed;
  for (size_t i = 0; i < n; i += piece) fed.Feed(bytes + i, std::min(piece, n - i));
  const bool known = fed.End() == PictureRecognizer::Verdict::Known;
  Check(known == (whole.kind != PictureKind::None));
  if (known) {
    Check(Same(fed.facts(), whole));
    Check(whole.width >= 1 && whole.width <= vellumine::kLongestPictureSide);
    Check(whole.height >= 1 && whole.height <= vellumine::kLongestPictureSide);
    // Attributes and a text width from the first bytes.
    const long width = n > 1 ? static_cast<long>(bytes[0]) * 1000 - 1 : -1;
    const long height = n > 2 ? static_cast<long>(bytes[1]) * 7 - 1 : -1;
    const int textWidth = n > 3 ? bytes[2] * 100 : 0;
    const vellumine::PictureGoal goal = vellumine::GoalOfPicture(whole, width, height, textWidth);
    Check(goal.width >= 1 && goal.width <= vellumine::kLongestGoalTwips);
    Check(goal.height >= 1 && goal.height <= vellumine::kLongestGoalTwips);
    Check(textWidth == 0 || goal.width <= textWidth);
  }

  std::vector<unsigned char> inPlace(bytes, bytes + n), inPieces(n + 1);
  vellumine::Base64Decoder all;
  const size_t decoded = all.Decode(inPlace.data(), n, inPlace.data());
  Check(decoded <= n * 3 / 4 + 1);
  vellumine::Base64Decoder split;
  size_t got = 0;
  for (size_t i = 0; i < n; i += piece)
    got += split.Decode(bytes + i, std::min(piece, n - i), inPieces.data() + got);
  Check(got == decoded && std::memcmp(inPieces.data(), inPlace.data(), got) == 0);
  Check(split.ended() == all.ended());

  std::vector<char> text(bytes, bytes + n), apart(n + 1);
  const size_t length =
      vellumine::PercentDecode({reinterpret_cast<const char*>(bytes), n}, apart.data());
  Check(length <= n);
  Check(vellumine::PercentDecode({text.data(), n}, text.data()) == length);
  Check(std::memcmp(text.data(), apart.data(), length) == 0);
  return 0;
}
