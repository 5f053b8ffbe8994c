// A conversion killed part-way: whenever it stops, the output's name holds the previous file
// or the whole new one, never a part.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "fault_helpers.h"

extern char** environ;

namespace vellumine::testing {
namespace {

// Starts the converter on input into the directory out and kills it with SIGKILL once the
// delay has passed; returns whether it had already ended by itself.
bool ConvertAndKill(const std::string& input, const std::string& out,
                    std::chrono::milliseconds delay) {
  std::string program = VELLUMINE_EXE, q = "-q", o = "-o", outDir = out, in = input;
  char* argv[] = {program.data(), q.data(), o.data(), outDir.data(), in.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << program;
    return true;
  }
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + delay;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return false;
}

TEST(InterruptedConversion, KilledAtAnyMomentLeavesThePreviousFileOrTheWholeNewOne) {
  TempDirectory work;
  work.Make({{"page.htm", LargePage(96 << 20)}, {"out/", ""}, {"whole/", ""}});
  // The whole new output, for comparison.
  ASSERT_TRUE(ConvertAndKill(work.path() + "page.htm", work.path() + "whole",
                              std::chrono::milliseconds(20000)));
  const std::string whole = work.Read("whole/page.rtf");
  ASSERT_GT(whole.size(), 96u << 20);
  const std::string previous = "{\\rtf1 the previous output}";
  int killed = 0;
  for (int delay : {5, 20, 60, 120, 200, 300, 450, 700, 1000, 1500}) {
    SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
    for (bool hadPrevious : {true, false}) {
      work.Write("out/page.rtf", previous);
      if (!hadPrevious) fs::remove(work.path() + "out/page.rtf");
      killed += !ConvertAndKill(work.path() + "page.htm", work.path() + "out",
                                std::chrono::milliseconds(delay));
      std::string now = work.Read("out/page.rtf");
      if (now != whole) {
        // No byte comparison printed: the files are large.
        EXPECT_TRUE(now == (hadPrevious ? previous : "<missing>"))
            << "the name holds " << now.size() << " bytes";
      }
    }
  }
  EXPECT_GT(killed, 0) << "every conversion ended before it could be killed";
}

}  // namespace
}  // namespace vellumine::testing
#endif
