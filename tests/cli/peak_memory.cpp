// Runs a program and writes its peak resident size, in KiB, to a file:
//
//   peak_memory FILE PROGRAM [ARGUMENT ...]
//
// Exits with the program's exit code (125 when it cannot be run). The converter's memory
// bound is checked through it.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) return 125;
  const pid_t child = fork();
  if (child < 0) return 125;
  if (child == 0) {
    execvp(argv[2], argv + 2);
    _exit(125);
  }
  int status = 0;
  struct rusage usage = {};
  if (wait4(child, &status, 0, &usage) != child) return 125;
  std::FILE* out = std::fopen(argv[1], "w");
  if (!out) return 125;
  std::fprintf(out, "%ld\n", usage.ru_maxrss);
  std::fclose(out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 125;
}
