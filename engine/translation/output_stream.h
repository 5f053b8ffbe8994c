// Where a conversion's output goes: a file (line feeds become CR LF) or memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vellumine {

class OutputStream {
 public:
  virtual ~OutputStream() = default;
  virtual void Write(const char* data, size_t n) = 0;
  void Write(std::string_view s) { Write(s.data(), s.size()); }

  // Room for at least `least` bytes in the stream's own block (capacity set to how many),
  // which Commit then takes without a copy; null when the stream has none to give. The
  // room is the caller's until the next call of any of these.
  virtual char* DirectRoom(size_t least, size_t& capacity) {
    (void)least;
    (void)capacity;
    return nullptr;
  }
  // Takes the first n bytes written in the room DirectRoom gave.
  virtual void Commit(size_t n) { (void)n; }
};

// Collects the output in memory; with crlf set, line feeds are stored as CR LF as a file
// would hold them.
class MemoryOutputStream final : public OutputStream {
 public:
  explicit MemoryOutputStream(bool crlf = false) : crlf_(crlf) {}
  using OutputStream::Write;
  void Write(const char* data, size_t n) override;
  const std::string& str() const { return out_; }

 private:
  bool crlf_;
  std::string out_;
};

}  // namespace vellumine
