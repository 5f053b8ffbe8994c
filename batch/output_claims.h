// The outputs a run has written so far, each by the name the file system knows it under
// and the input it came from: a later input whose output has the same name would replace
// what was just made, and is refused instead (as cp refuses to overwrite a file it has
// just created).
#pragma once

#include <string>
#include <unordered_map>

namespace vellumine {

class OutputClaims {
 public:
  // Claims the output known as `key` for input. False when an earlier input claimed it;
  // `owner` is then that input.
  bool Claim(const std::string& key, const std::string& input, std::string& owner) {
    auto [it, added] = owners_.try_emplace(key, input);
    if (!added) owner = it->second;
    return added;
  }

 private:
  std::unordered_map<std::string, std::string> owners_;  // key -> input
};

}  // namespace vellumine
