#include "pushed_conversion.h"

#include <cstring>

#include "job/convert_file.h"
#include "translation/encoding.h"
#include "translation/progress.h"

namespace vellumine {

PushedConversion::PushedConversion(const vellumine_options& options, vellumine_write_fn write,
                                   void* context)
    : options_(options), out_(write, context) {
  fontName_ = options.font_name ? options.font_name : "";
  options_.font_name = fontName_.c_str();
  if (options.image_root) {
    imageRoot_ = options.image_root;
    options_.image_root = imageRoot_.c_str();
  }
  if (holdsWholePage()) return;  // converted as from memory once it is all there
  pictures_ = PicturesOfConversion(options_, nullptr, files_);
  ProgressReport{options_.progress, options_.progress_context}.Show(0);
  // A character set the caller names needs nothing of the page.
  if (options_.encoding != VELLUMINE_ENCODING_AUTO)
    failure_ = Start(ChooseEncoding(options_.encoding, "", 0));
}

vellumine_result PushedConversion::Fail(vellumine_result result) {
  if (failure_ == VELLUMINE_OK) failure_ = result;
  return failure_;
}

vellumine_result PushedConversion::Push(const char* bytes, size_t n) {
  if (failure_ != VELLUMINE_OK) return failure_;
  if (finished_) return VELLUMINE_INVALID_ARGUMENT;
  pushed_ = pushed_ || n > 0;
  if (page_) {
    if (!ended_) page_->Give(bytes, n);
  } else if (vellumine_result result = Hold(bytes, n); result != VELLUMINE_OK) {
    return Fail(result);
  }
  return out_.refused() ? Fail(VELLUMINE_CANNOT_WRITE_OUTPUT) : VELLUMINE_OK;
}

vellumine_result PushedConversion::Hold(const char* bytes, size_t n) {
  if (ended_ || n == 0) return VELLUMINE_OK;
  if (holdsWholePage()) {
    held_.Append(bytes, n);
    return held_.failed() ? VELLUMINE_OUT_OF_MEMORY : VELLUMINE_OK;
  }
  // The page ends at its first 0x1A: what came before it is all there is to choose from.
  if (const void* stop = std::memchr(bytes, 0x1A, n)) {
    n = static_cast<size_t>(static_cast<const char*>(stop) - bytes);
    ended_ = true;
  }
  if (n > 0) held_.Append(bytes, n);
  if (held_.failed()) return VELLUMINE_OUT_OF_MEMORY;
  if (ended_ || held_.size() >= kChoiceWindow) return Start(ChosenFromHeld());
  // Tried again each time the held bytes double, so that the tries cost as much as one.
  if (held_.size() < nextChoice_) return VELLUMINE_OK;
  nextChoice_ = 2 * held_.size();
  EncodingChoice encoding;
  if (!ChooseEncodingFromOpening(held_.data(), held_.size(), encoding)) return VELLUMINE_OK;
  return Start(encoding);
}

EncodingChoice PushedConversion::ChosenFromHeld() const {
  // (Nothing held may be no memory at all.)
  return ChooseEncoding(VELLUMINE_ENCODING_AUTO, held_.empty() ? "" : held_.data(), held_.size());
}

vellumine_result PushedConversion::Start(const EncodingChoice& encoding) {
  const vellumine_result result =
      StartFedPage(encoding, options_, out_, &addressStore_, pictures_, page_);
  if (result != VELLUMINE_OK) return result;
  if (!held_.empty()) page_->Give(held_.data(), held_.size());
  ByteBuffer none;
  held_.Swap(none);  // let go of the opening
  return VELLUMINE_OK;
}

vellumine_result PushedConversion::Finish() {
  if (failure_ != VELLUMINE_OK) return failure_;
  if (finished_) return VELLUMINE_INVALID_ARGUMENT;
  finished_ = true;
  if (!pushed_) return Fail(VELLUMINE_EMPTY_INPUT);
  vellumine_result result = VELLUMINE_OK;
  if (holdsWholePage()) {
    result = ConvertMemory(held_.data(), held_.size(), options_, out_);
  } else {
    if (!page_) result = Start(ChosenFromHeld());
    if (result == VELLUMINE_OK) result = page_->Finish();
    if (result == VELLUMINE_OK)
      ProgressReport{options_.progress, options_.progress_context}.Show(kProgressSteps);
  }
  if (result == VELLUMINE_OK && !out_.Finish()) result = VELLUMINE_CANNOT_WRITE_OUTPUT;
  return result == VELLUMINE_OK ? result : Fail(result);
}

}  // namespace vellumine
