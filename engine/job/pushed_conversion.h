// A conversion its caller gives the page a piece at a time, as the page arrives (a network
// stream, a pipe), handing the output on as it is made.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "fast/byte_buffer.h"
#include "job/callback_output.h"
#include "job/picture_files.h"
#include "job/temporary_file_store.h"
#include "reading/read_page.h"
#include "vellumine.h"

namespace vellumine {

class PushedConversion {
 public:
  // Auto's choice of the character set waits for at most this much of a page (when neither
  // a byte order mark nor the head settles it, whether the page is UTF-8 is seen in as much
  // of it as has come): up to it, a pushed page is converted exactly as a whole one.
  static constexpr size_t kChoiceWindow = VELLUMINE_PUSH_CHOICE_WINDOW;

  // options: checked by the caller; its strings are copied.
  PushedConversion(const vellumine_options& options, vellumine_write_fn write, void* context);
  PushedConversion(const PushedConversion&) = delete;
  PushedConversion& operator=(const PushedConversion&) = delete;

  // The page's next n bytes. After a failure every call returns it again.
  vellumine_result Push(const char* bytes, size_t n);
  // Ends the page and the output: EmptyInput when nothing was pushed.
  vellumine_result Finish();
  // A failure met so far (at the start: no memory for the reading's buffers), or Ok.
  vellumine_result failure() const { return failure_; }

 private:
  bool holdsWholePage() const { return options_.reading == VELLUMINE_READING_CLASSIC; }
  // Holds bytes[0, n) until the character set is chosen, then reads them.
  vellumine_result Hold(const char* bytes, size_t n);
  // Auto's choice for the held bytes as a whole page.
  EncodingChoice ChosenFromHeld() const;
  // Starts the reading with `encoding` and gives it what was held.
  vellumine_result Start(const EncodingChoice& encoding);
  vellumine_result Fail(vellumine_result result);

  vellumine_options options_;
  std::string fontName_, imageRoot_;  // the caller's strings, which options_ point at
  CallbackOutputStream out_;
  ByteBuffer held_;
  size_t nextChoice_ = size_t{64} << 10;  // held bytes at which the choice is tried again
  bool ended_ = false;                    // a 0x1A ended the page: the rest is left out
  std::optional<PictureFiles> files_;
  PictureFinder* pictures_ = nullptr;
  TemporaryFileStore addressStore_;
  std::unique_ptr<FedPage> page_;
  vellumine_result failure_ = VELLUMINE_OK;
  bool pushed_ = false;
  bool finished_ = false;
};

}  // namespace vellumine
