// A picture in RTF: a \pict group holding the PNG or JPEG bytes as hexadecimal digits.
#pragma once

#include <string_view>

#include "reading/page_output.h"
#include "reading/picture_finder.h"

namespace vellumine {

// Twips a pixel is shown at (a pixel is 1/96 inch, as browsers draw it).
inline constexpr int kTwipsPerPixel = 15;
// The largest side a picture is shown at, in twips: 22 inches, the largest page readers
// take. A longer one is scaled down keeping its aspect.
inline constexpr int kLongestGoalTwips = 22 * 1440;
// Hexadecimal digits on each line of a picture's bytes.
inline constexpr size_t kPictureLineDigits = 128;

// The size a picture is shown at, in twips.
struct PictureGoal {
  long width = 0, height = 0;
};
// The size of a picture of facts' pixels whose <img> gives widthAttribute and heightAttribute
// pixels (-1 when absent; 0 and below count as absent): both given, that size; one, the other
// scaled to keep the picture's aspect; neither, its own size. Then no wider than
// textWidthTwips (when above 0) and no side past kLongestGoalTwips, scaled down keeping the
// aspect; each side at least 1 twip.
PictureGoal GoalOfPicture(const PictureFacts& facts, long widthAttribute, long heightAttribute,
                          int textWidthTwips);

// Writes the picture src names, as finder opens it: "{\pict\pngblip" (or "\jpegblip"),
// "\picwN\pichN" (pixels), "\picwgoalN\pichgoalN" (GoalOfPicture), a line feed, the bytes as
// hexadecimal digits in lines of kPictureLineDigits, and "}". When a read fails part-way the
// group ends after the bytes read. False, nothing written, when finder opens nothing.
bool WriteRtfPicture(PageOutput& out, PictureFinder& finder, std::string_view src,
                     long widthAttribute, long heightAttribute, int textWidthTwips);
// The same for the picture finder has open already, with the facts its Open gave; closes it.
void WriteOpenRtfPicture(PageOutput& out, PictureFinder& finder, const PictureFacts& facts,
                         long widthAttribute, long heightAttribute, int textWidthTwips);

}  // namespace vellumine
