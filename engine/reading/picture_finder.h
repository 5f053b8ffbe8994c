// Where the RTF writer's pictures come from: the picture an <img> names, opened when it is a
// PNG or JPEG the conversion may embed, and read a piece at a time. The job gives the real
// one (job/picture_files.h); without one, every picture keeps its alt text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellumine {

enum class PictureKind : uint8_t { None, Png, Jpeg };
struct PictureFacts {
  PictureKind kind = PictureKind::None;
  uint32_t width = 0, height = 0;  // pixels
};

class PictureFinder {
 public:
  // Opens the picture an <img>'s src names: src is the attribute's value with character
  // references decoded (UTF-8). false (nothing open) when it is not a PNG or JPEG the rules allow.
  virtual bool Open(std::string_view src, PictureFacts& facts) = 0;
  // The open picture's next bytes, at most capacity; 0 at its end. failed() after a read error.
  virtual size_t Read(unsigned char* into, size_t capacity) = 0;
  virtual bool failed() const = 0;
  virtual void Close() = 0;

 protected:
  ~PictureFinder() = default;
};

}  // namespace vellumine
