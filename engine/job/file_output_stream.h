// The output file: every line feed reaches it as CR LF, and any failed write, flush or
// close is remembered. The file is written under a temporary name and takes the output's
// name only when it is complete, so a failed or killed job never leaves a part of it there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "fast/background_blocks.h"
#include "fast/byte_buffer.h"
#include "fast/byte_scan.h"
#include "translation/output_stream.h"
#include "replacement_file.h"

namespace vellumine {

class FileOutputStream final : public OutputStream {
 public:
  FileOutputStream() = default;
  ~FileOutputStream() override;  // an output not closed is discarded
  FileOutputStream(const FileOutputStream&) = delete;
  FileOutputStream& operator=(const FileOutputStream&) = delete;

  // Creates the temporary file beside path; false when path cannot be written or the
  // temporary file cannot be created.
  bool Open(const char* path);
  // Whether a large output's blocks may be written on a thread of their own (they are not
  // by default).
  void WriteInBackground(bool allowed) { backgroundTried_ = !allowed; }
  // About how many bytes the output will hold: one expected to outgrow the large block
  // goes to the thread (where allowed) from its first block on.
  void Expect(uint64_t bytes) { expectedLarge_ = bytes >= kLargeStaging; }
  using OutputStream::Write;
  void Write(const char* data, size_t n) override;
  // Room in the block being filled, once a large output's blocks are written on their
  // thread (which expands the line ends); none before.
  char* DirectRoom(size_t least, size_t& capacity) override;
  void Commit(size_t n) override { staged_ += n; }
  // Writes what is staged, closes, and puts the file in the place of path; false, with
  // nothing changed under path, when anything failed on the way.
  bool Close();

  // Drops what was written; a previous file under path stays as it was.
  void Discard();
  // Whether a file was under path when the output was opened.
  bool replacesFile() const { return file_.replacesFile(); }
  bool failed() const { return failed_; }

 private:
  // A small block for small files; an output larger than it gets a block large enough
  // that the system calls cost little beside the copies they make (one huge page, where
  // the system has them), and one larger than that a second block: one is written on a
  // thread of its own while the other fills.
  static constexpr size_t kSmallStaging = 64 * 1024;
  static constexpr size_t kLargeStaging = 2 * 1024 * 1024;
  // Blocks for the thread go at this size (expanded, they fit a large block), so that the
  // last one, which the job waits for, is short.
  static constexpr size_t kBackgroundBlock = 512 * 1024;
  // How far the staged bytes may go before the block goes out: a chunk of slack is kept
  // beyond it, where line ends are expanded here.
  size_t StagingLimit() const {
    return background_ ? kBackgroundBlock : staging_.capacity() - kScanChunk;
  }
  void Flush();     // the staged bytes written here
  void MakeRoom();  // the large block, or the staged bytes on their way out
  void StartBackground();
  bool WriteBlock(const char* data, size_t n);

  ReplacementFile file_;
  ByteBuffer staging_;  // bytes waiting for fwrite, their line ends expanded unless the
                        // thread expands them (its capacity)
  size_t staged_ = 0;   // bytes in staging_
  bool failed_ = false;              // a write, flush or close failed
  ByteBuffer spare_;                  // the block being written while staging_ fills
  ByteBuffer expanded_;               // the thread's: the block with its line ends expanded
  bool backgroundTried_ = true;  // no thread is started (again) for the blocks
  bool expectedLarge_ = false;
  std::unique_ptr<BackgroundBlocks> background_;  // writes spare_ (the large outputs')
};

}  // namespace vellumine
