#include "job/picture_files.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#include "fast/allocation_limit.h"
#include "reading/picture_bytes.h"
#include "system_path.h"

namespace vellumine {
namespace {

namespace fs = std::filesystem;

// Paths are UTF-8 inside; Windows' are UTF-16 to the file system.
fs::path PathOf(std::string_view utf8) {
#ifdef _WIN32
  return fs::path(Utf16FromUtf8(utf8));
#else
  return fs::path(std::string(utf8));
#endif
}
std::string TextOf(const fs::path& path) {
#ifdef _WIN32
  return Utf8FromUtf16(path.native());
#else
  return path.native();
#endif
}

// Whether path starts with prefix; on Windows, whose names ignore case, ASCII letters of
// either case match.
bool StartsWithPath(std::string_view path, std::string_view prefix) {
  if (path.size() < prefix.size()) return false;
#ifdef _WIN32
  // Either separator, as the system takes both.
  auto folded = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c == '\\' ? '/' : c;
  };
  return std::equal(prefix.begin(), prefix.end(), path.begin(),
                    [&](char a, char b) { return folded(a) == folded(b); });
#else
  return path.starts_with(prefix);
#endif
}

bool StartsWithWord(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if ((text[i] | 0x20) != word[i]) return false;  // word is lowercase letters, ':' and ';'
  return true;
}

bool IsAsciiLetter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// The scheme of an address ("http" of "http://x"); empty when it has none.
std::string_view SchemeOf(std::string_view address) {
  if (address.empty() || !IsAsciiLetter(address[0])) return {};
  for (size_t i = 1; i < address.size(); ++i) {
    const char c = address[i];
    if (c == ':') return address.substr(0, i);
    if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
      return {};
  }
  return {};
}

#ifdef _WIN32
// A path that starts with a drive: "C:/".
bool HasDrive(std::string_view path) {
  return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':';
}
#endif

// The address without the blanks browsers strip from its ends.
std::string_view Trimmed(std::string_view address) {
  constexpr std::string_view kBlanks = " \t\n\f\r";
  const size_t first = address.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return address.substr(first, address.find_last_not_of(kBlanks) - first + 1);
}

// Bytes of the picture read a piece at a time until its kind and size are known.
constexpr size_t kRecognitionPiece = 4096;

}  // namespace

PictureFiles::PictureFiles(std::string_view pageFolder, std::string_view root, uint64_t largest)
    : pageFolder_(pageFolder), root_(root), largest_(largest) {}

void PictureFiles::FindRoot() {
  if (rootFound_) return;
  rootFound_ = true;
  if (root_.empty()) return;
  std::error_code error;
  const fs::path root = fs::canonical(PathOf(root_), error);
  if (error || !fs::is_directory(root, error) || error) return;
  rootPrefix_ = TextOf(root);
  // The root of a drive or of the file system ends in its separator already.
  if (!rootPrefix_.empty() && rootPrefix_.back() != '/' &&
      rootPrefix_.back() != static_cast<char>(fs::path::preferred_separator))
    rootPrefix_ += static_cast<char>(fs::path::preferred_separator);
  base_ = root_;
  if (pageFolder_.empty()) return;
  const std::string folder = TextOf(fs::canonical(PathOf(pageFolder_), error)) + rootPrefix_.back();
  if (!error && StartsWithPath(folder, rootPrefix_)) base_ = pageFolder_;
}

bool PictureFiles::Open(std::string_view src, PictureFacts& facts) {
  Close();
  failed_ = false;
  const std::string_view address = Trimmed(src);
  try {
    open_ = StartsWithWord(address, "data:") ? OpenData(address.substr(5), facts)
                                             : OpenFile(address, facts);
  } catch (const std::bad_alloc&) {
    open_ = false;  // a path could not be built: the picture keeps its alt text
  }
  if (!open_) Close();
  return open_;
}

// "data:[type][;base64],bytes": the bytes percent-decoded, then base64-decoded when the
// address says so, into data_; the type is not looked at (the bytes say what they are).
bool PictureFiles::OpenData(std::string_view address, PictureFacts& facts) {
  const size_t comma = address.find(',');
  if (comma == std::string_view::npos) return false;
  const std::string_view type = address.substr(0, comma);
  const bool base64 = type.size() >= 7 && StartsWithWord(type.substr(type.size() - 7), ";base64");
  const std::string_view bytes = address.substr(comma + 1);
  // Decoding never lengthens the bytes; base64 takes them to three quarters.
  if (bytes.empty() || (base64 ? bytes.size() / 4 * 3 : bytes.size()) > largest_ + 3) return false;
  if (dataCapacity_ < bytes.size()) {
    data_.reset();
    dataCapacity_ = 0;
    if (!GrantBlockAllocation(bytes.size())) return false;
    data_.reset(new (std::nothrow) unsigned char[bytes.size()]);
    if (!data_) return false;
    dataCapacity_ = bytes.size();
  }
  char* const decoded = reinterpret_cast<char*>(data_.get());
  size_ = PercentDecode(bytes, decoded);
  if (base64) size_ = Base64Decoder().Decode(data_.get(), static_cast<size_t>(size_), data_.get());
  if (size_ == 0 || size_ > largest_) return false;
  facts = RecognizePicture(data_.get(), static_cast<size_t>(size_));
  return facts.kind != PictureKind::None;
}

// A path relative to the page's folder, an absolute one, or a file: address; taken only
// within the root.
bool PictureFiles::OpenFile(std::string_view address, PictureFacts& facts) {
  // The query and the fragment name no part of a file.
  path_.assign(address.substr(0, std::min(address.find('?'), address.find('#'))));
  std::replace(path_.begin(), path_.end(), '\\', '/');  // as browsers read addresses
  std::string_view path = path_;
  if (path.starts_with("//")) return false;  // another machine
  const std::string_view scheme = SchemeOf(path);
  if (scheme.size() == 4 && StartsWithWord(scheme, "file")) {
    path.remove_prefix(5);
    if (path.starts_with("//")) {  // "file://host/path": this machine alone
      const size_t slash = std::min(path.find('/', 2), path.size());
      const std::string_view host = path.substr(2, slash - 2);
      if (!host.empty() && !(host.size() == 9 && StartsWithWord(host, "localhost"))) return false;
      path.remove_prefix(slash);
    }
#ifdef _WIN32
    if (path.starts_with('/') && HasDrive(path.substr(1))) path.remove_prefix(1);  // "/C:/dir"
#endif
  } else if (!scheme.empty()) {
#ifdef _WIN32
    if (!HasDrive(path) || scheme.size() != 1) return false;  // "C:/dir" names a drive
#else
    return false;  // the network, or a scheme the page cannot mean a file by
#endif
  }
  // Decoded where it stands ("My%20Page_files/a.png").
  char* const start = path_.data() + (path.data() - path_.data());
  const std::string_view decoded(start, PercentDecode(path, start));
  if (decoded.empty() || decoded.find('\0') != std::string_view::npos) return false;

  FindRoot();
  if (rootPrefix_.empty()) return false;  // no root: data: pictures alone
  std::error_code error;
  const fs::path found = fs::canonical(PathOf(base_) / PathOf(decoded), error);
  if (error) return false;
  const std::string foundPath = TextOf(found);
  if (!StartsWithPath(foundPath, rootPrefix_)) return false;

  file_.emplace();
  if (!file_->Open(foundPath.c_str())) return false;
  size_ = file_->size();
  if (size_ == 0 || size_ > largest_) return false;
  PictureRecognizer recognizer;
  unsigned char piece[kRecognitionPiece];
  for (uint64_t at = 0;
       recognizer.verdict() == PictureRecognizer::Verdict::NeedMore && at < size_;) {
    size_t got = 0;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof piece, size_ - at));
    if (!file_->ReadAt(at, reinterpret_cast<char*>(piece), want, got) || got == 0) break;
    recognizer.Feed(piece, got);
    at += got;
  }
  if (recognizer.End() != PictureRecognizer::Verdict::Known) return false;
  facts = recognizer.facts();
  return true;
}

size_t PictureFiles::Read(unsigned char* into, size_t capacity) {
  if (!open_ || failed_ || position_ >= size_) return 0;
  const size_t want = static_cast<size_t>(std::min<uint64_t>(capacity, size_ - position_));
  size_t got = want;
  if (!file_) {
    std::memcpy(into, data_.get() + position_, want);
  } else if (!file_->ReadAt(position_, reinterpret_cast<char*>(into), want, got)) {
    failed_ = true;
    return 0;
  }
  position_ += got;
  return got;
}

void PictureFiles::Close() {
  file_.reset();
  open_ = false;
  size_ = position_ = 0;
}

PictureFinder* PicturesOfConversion(const vellumine_options& options, const char* pagePath,
                                    std::optional<PictureFiles>& files) {
  if (options.images != VELLUMINE_IMAGES_EMBED) return nullptr;
  std::string folder;
  if (pagePath != nullptr) {
    folder = TextOf(PathOf(pagePath).parent_path());
    if (folder.empty()) folder = ".";  // a page named without its folder is in this one
  }
  files.emplace(folder, options.image_root != nullptr ? std::string_view(options.image_root)
                                                      : std::string_view(folder));
  return &*files;
}

}  // namespace vellumine
