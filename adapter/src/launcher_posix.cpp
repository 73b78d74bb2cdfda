#ifndef _WIN32
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "launcher.h"

extern char** environ;

namespace pellmar {

namespace {

bool IsExecutableFileHere(const std::string& name) {
  struct stat info {};
  return stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(name.c_str(), X_OK) == 0;
}

}  // namespace

int32_t RunCommand(const char* command, int32_t length) {
  if (!command || length < 0) return -1;
  std::string text(command, static_cast<size_t>(length));
  size_t end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  while (!text.empty() && text.back() == ' ') text.pop_back();

  size_t wordEnd = text.find(' ');
  std::string first = text.substr(0, wordEnd);
  if (!first.empty() && first.find('/') == std::string::npos && IsExecutableFileHere(first)) text = "./" + text;

  char shell[] = "/bin/sh";
  char flag[] = "-c";
  char* argv[] = {shell, flag, text.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, shell, nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  for (;;) {
    if (waitpid(pid, &status, 0) == pid) break;
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace pellmar
#endif
