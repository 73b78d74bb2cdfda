#pragma once
// What the benchmarks that play the host share (POSIX only): ending with a
// message, the processor time of this process and its ended children,
// binding the adapter's interface_function, and starting a program and
// waiting for it.
#include <dlfcn.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

using InterfaceFunction = void (*)(int32_t, int32_t*, double*, double*);

// The name the messages start with; main sets it first.
inline const char* g_benchName = "bench";

[[noreturn]] inline void Die(const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", g_benchName, what.c_str());
  std::exit(1);
}

// Processor milliseconds (user + system) used so far by this process and by
// its ended children: the host's own share, the shell and every driver. On
// a busy machine it grows much less than the elapsed time.
inline double CpuMs() {
  double ms = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    struct rusage u {};
    getrusage(who, &u);
    ms += static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
          static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
  }
  return ms;
}

// interface_function of the adapter library, loaded as the host loads it.
inline InterfaceFunction BindAdapter(const std::filesystem::path& library) {
  void* adapter = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!adapter) Die(std::string("cannot load the adapter: ") + dlerror());
  auto call = reinterpret_cast<InterfaceFunction>(dlsym(adapter, "interface_function"));
  if (!call) Die("the adapter exports no interface_function");
  return call;
}

// Runs args[0] with args and waits for it; its standard output goes into
// *output when given. Returns its exit status (128 + signal when killed).
inline int RunProgram(const std::vector<std::string>& args, std::string* output = nullptr) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int pipeEnds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output) {
    if (pipe(pipeEnds) != 0) Die("cannot make a pipe");
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  }
  pid_t pid = 0;
  const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (output) {
    close(pipeEnds[1]);
    char buffer[4096];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
      if (got > 0) output->append(buffer, static_cast<size_t>(got));
      else if (errno != EINTR) break;
    }
    close(pipeEnds[0]);
  }
  if (started != 0) Die("cannot start " + args[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) != pid) {
    if (errno != EINTR) Die("cannot wait for " + args[0]);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace bench
