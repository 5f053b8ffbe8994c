// The pictures a conversion embeds, found as its page names them: data: addresses decoded
// from the address itself, and files under one folder. A page cannot reach any other file:
// a file is taken only when its path, every symbolic link resolved, lies in the root folder
// or below it (by default the page's own folder); the network never (http:, //host, any other
// scheme). A page from memory has no folder: without a root it has data: pictures alone.
// Relative addresses start at the page's folder when it lies within the root, else (a page
// from memory, standard input spooled to a file) at the root.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "job/input_file.h"
#include "reading/picture_finder.h"
#include "vellumine.h"

namespace vellumine {

class PictureFiles final : public PictureFinder {
 public:
  // The largest picture embedded, in bytes; a larger one keeps its alt text.
  static constexpr uint64_t kLargestPicture = uint64_t{20} << 20;

  // pageFolder: the page's folder (empty: it has none). root: the folder pictures may come
  // from, and every folder below it (empty: none, data: pictures alone). Both UTF-8 paths;
  // looked up when the first file is asked for.
  PictureFiles(std::string_view pageFolder, std::string_view root,
               uint64_t largest = kLargestPicture);
  PictureFiles(const PictureFiles&) = delete;
  PictureFiles& operator=(const PictureFiles&) = delete;
  ~PictureFiles() = default;

  bool Open(std::string_view src, PictureFacts& facts) override;
  size_t Read(unsigned char* into, size_t capacity) override;
  bool failed() const override { return failed_; }
  void Close() override;

 private:
  bool OpenData(std::string_view address, PictureFacts& facts);
  bool OpenFile(std::string_view address, PictureFacts& facts);
  // Finds the root's canonical path and where relative addresses start, once.
  void FindRoot();

  // Fixed for the conversion.
  std::string pageFolder_;
  std::string root_;
  uint64_t largest_;
  // Found when the first file is asked for.
  bool rootFound_ = false;
  std::string rootPrefix_;  // the root's canonical path and a separator; empty: no root
  std::string base_;        // where relative addresses start
  // The open picture: a file, or bytes decoded into data_.
  std::optional<InputFile> file_;
  uint64_t size_ = 0;      // its bytes
  uint64_t position_ = 0;  // the next byte Read hands over
  bool open_ = false;
  bool failed_ = false;
  // One buffer for the data: pictures, kept for the next one.
  std::unique_ptr<unsigned char[]> data_;
  size_t dataCapacity_ = 0;
  std::string path_;  // a file's address as a path, kept for the next one
};

// The finder of a conversion's pictures, made in `files`, as options ask: null when pictures
// keep their alt text. pagePath: the page's file (null for a page from memory), whose folder
// is the root unless options name another (an empty image_root: none).
PictureFinder* PicturesOfConversion(const vellumine_options& options, const char* pagePath,
                                    std::optional<PictureFiles>& files);

}  // namespace vellumine
