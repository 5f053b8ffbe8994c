// What the fault tests share: what a directory holds, pages of a given size, and the ways to
// lose a privilege or a disk for real.
#pragma once

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "run_process.h"
#include "temp_directory.h"

namespace vellumine::testing {

namespace fs = std::filesystem;

// A page of paragraphs of about the given size.
inline std::string LargePage(size_t bytes) {
  std::string page = "<html><body>";
  page.reserve(bytes + 100);
  for (size_t i = 0; page.size() < bytes; ++i)
    page += "<p>Paragraph " + std::to_string(i) + " of a large page, with <b>bold</b> words.\n";
  return page;
}

#ifndef _WIN32
// The command prefix that runs a program without root's privileges (root passes every
// permission check); empty when the tests already run unprivileged.
inline std::string UnprivilegedPrefix() {
  return geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups -- " : "";
}

// A file system mounted over a directory for the object's lifetime (tmpfs, or a read-only
// bind mount); mounted() is false when this machine does not let the test mount one.
struct Mount {
  Mount(const std::string& options, const std::string& source, const std::string& at)
      : dir(at), mounted(std::system(("mount " + options + " " + Quote(source) + " " + Quote(at) +
                                      " 2>/dev/null").c_str()) == 0) {}
  ~Mount() {
    if (mounted) std::system(("umount " + Quote(dir)).c_str());
  }
  const std::string dir;
  const bool mounted;
};
#endif

}  // namespace vellumine::testing
