#include "child_process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;
#endif

namespace tools {

#ifdef _WIN32

ChildOutcome RunChild(const std::string& program, const std::string& folder, const std::string& errorFile,
                      const std::vector<std::string>& environment) {
  ChildOutcome outcome;
  for (const auto& entry : environment) {
    const size_t eq = entry.find('=');
    SetEnvironmentVariableA(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str());
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE log = CreateFileA(errorFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) {
    outcome.error = "cannot create " + errorFile + " (error " + std::to_string(GetLastError()) + ")";
    return outcome;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = log;
  startup.hStdError = log;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + program + "\"";
  BOOL ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, folder.c_str(),
                           &startup, &process);
  DWORD lastError = GetLastError();
  CloseHandle(log);
  if (!ok) {
    outcome.error = "cannot start " + program + " (error " + std::to_string(lastError) + ")";
    return outcome;
  }
  outcome.started = true;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  outcome.exitCode = static_cast<int>(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return outcome;
}

#else

ChildOutcome RunChild(const std::string& program, const std::string& folder, const std::string& errorFile,
                      const std::vector<std::string>& environment) {
  ChildOutcome outcome;
  std::vector<std::string> entries = environment;
  for (char** e = environ; *e; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('=') + 1);
    bool replaced = false;
    for (const auto& own : environment) replaced = replaced || own.compare(0, name.size(), name) == 0;
    if (!replaced) entries.push_back(entry);
  }
  std::vector<char*> envp;
  for (auto& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 2, 1);
  std::string name = program;
  char* argv[] = {name.data(), nullptr};
  pid_t pid = 0;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    outcome.error = "cannot start " + program + ": " + std::strerror(rc);
    return outcome;
  }
  outcome.started = true;
  int status = 0;
  while (waitpid(pid, &status, 0) != pid) {
    if (errno != EINTR) {
      outcome.error = std::string("cannot wait for ") + program + ": " + std::strerror(errno);
      return outcome;
    }
  }
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  else if (WIFSIGNALED(status)) outcome.exitCode = 128 + WTERMSIG(status);
  return outcome;
}

#endif

}  // namespace tools
