#include "reading/rtf_picture.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "reading/picture_bytes.h"

namespace vellumine {
namespace {

// a * b / c rounded to the nearest, at least 1; all positive and a * b within 64 bits.
long Scaled(int64_t a, int64_t b, int64_t c) {
  return static_cast<long>(std::max<int64_t>(1, (a * b + c / 2) / c));
}

// The sides held within `longest` along width (when it is past it), keeping the aspect.
void FitWidth(int64_t& width, int64_t& height, int64_t longest) {
  if (width <= longest) return;
  height = std::max<int64_t>(1, (height * longest + width / 2) / width);
  width = longest;
}

}  // namespace

PictureGoal GoalOfPicture(const PictureFacts& facts, long widthAttribute, long heightAttribute,
                          int textWidthTwips) {
  // Sides of up to 2^31 pixels multiplied by one another, or by 15 twips and a longest
  // side in twips, fit in 64 bits.
  const int64_t ownWidth = std::max<uint32_t>(facts.width, 1);
  const int64_t ownHeight = std::max<uint32_t>(facts.height, 1);
  const int64_t givenWidth = std::min<int64_t>(widthAttribute, kLongestPictureSide);
  const int64_t givenHeight = std::min<int64_t>(heightAttribute, kLongestPictureSide);
  int64_t width = ownWidth, height = ownHeight;  // pixels
  if (givenWidth > 0 && givenHeight > 0) {
    width = givenWidth;
    height = givenHeight;
  } else if (givenWidth > 0) {
    width = givenWidth;
    height = Scaled(givenWidth, ownHeight, ownWidth);
  } else if (givenHeight > 0) {
    height = givenHeight;
    width = Scaled(givenHeight, ownWidth, ownHeight);
  }
  // A side scaled past the longest a picture has is held there (the aspect is lost only for
  // pictures thousands of millions of pixels long).
  width = std::min<int64_t>(width, kLongestPictureSide);
  height = std::min<int64_t>(height, kLongestPictureSide);
  width *= kTwipsPerPixel;
  height *= kTwipsPerPixel;
  FitWidth(width, height, textWidthTwips > 0 ? std::min(textWidthTwips, kLongestGoalTwips)
                                             : kLongestGoalTwips);
  FitWidth(height, width, kLongestGoalTwips);
  return {static_cast<long>(width), static_cast<long>(height)};
}

bool WriteRtfPicture(PageOutput& out, PictureFinder& finder, std::string_view src,
                     long widthAttribute, long heightAttribute, int textWidthTwips) {
  PictureFacts facts;
  if (!finder.Open(src, facts)) return false;
  WriteOpenRtfPicture(out, finder, facts, widthAttribute, heightAttribute, textWidthTwips);
  return true;
}

void WriteOpenRtfPicture(PageOutput& out, PictureFinder& finder, const PictureFacts& facts,
                         long widthAttribute, long heightAttribute, int textWidthTwips) {
  const PictureGoal goal = GoalOfPicture(facts, widthAttribute, heightAttribute, textWidthTwips);
  char start[128];
  const int length = std::snprintf(
      start, sizeof start, "{\\pict\\%s\\picw%lu\\pich%lu\\picwgoal%ld\\pichgoal%ld\n",
      facts.kind == PictureKind::Png ? "pngblip" : "jpegblip",
      static_cast<unsigned long>(facts.width), static_cast<unsigned long>(facts.height),
      goal.width, goal.height);
  out.Append(std::string_view(start, static_cast<size_t>(length)));

  // Each piece read becomes two digits a byte and a line feed after every line.
  constexpr size_t kPiece = 8192;
  constexpr size_t kBytesPerLine = kPictureLineDigits / 2;
  static_assert(kPiece * 2 + kPiece / kBytesPerLine + 1 <= PageOutput::kLargestRoom);
  static constexpr char kDigits[] = "0123456789abcdef";
  unsigned char piece[kPiece];
  size_t column = 0;  // bytes on the line so far
  for (size_t n; (n = finder.Read(piece, kPiece)) != 0;) {
    char* const room = out.Room(n * 2 + n / kBytesPerLine + 1);
    char* at = room;
    for (size_t i = 0; i < n; ++i) {
      *at++ = kDigits[piece[i] >> 4];
      *at++ = kDigits[piece[i] & 15];
      if (++column == kBytesPerLine) {
        *at++ = '\n';
        column = 0;
      }
    }
    out.Commit(at);
  }
  // A read that failed leaves the bytes read before it: the group still ends here.
  finder.Close();
  if (column != 0) out.Append('\n');
  out.Append('}');
}

}  // namespace vellumine
