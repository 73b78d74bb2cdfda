// peak_rss PROGRAM [ARG...]: runs PROGRAM in the current folder and prints
// its maximum resident set in kB. A process started straight from a large
// one inherits that one's resident set as the start of its own maximum (the
// count carries over the exec), so the bench host starts this small program,
// which forks and starts PROGRAM from its own few pages.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: peak_rss PROGRAM [ARG...]\n", stderr);
    return 2;
  }
  const pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    execv(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "peak_rss: %s did not end well\n", argv[1]);
    return 1;
  }
  std::printf("%ld\n", usage.ru_maxrss);
  return 0;
}
