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
