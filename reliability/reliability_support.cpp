#include "reliability_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "common/number_text.h"

namespace reliability {

namespace fs = std::filesystem;

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

std::vector<std::string> FilesOtherThan(const std::string& folder, const std::vector<std::string>& keep) {
  std::vector<std::string> other;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    bool kept = false;
    for (const auto& k : keep) kept = kept || k == name;
    if (!kept) other.push_back(name);
  }
  return other;
}

namespace {

// In a child between fork and exec (or the child's body): only
// async-signal-safe calls.
void ApplyLimits(const Limits& limits) {
  if (limits.fileSizeBytes >= 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit r{static_cast<rlim_t>(limits.fileSizeBytes), static_cast<rlim_t>(limits.fileSizeBytes)};
    setrlimit(RLIMIT_FSIZE, &r);
  }
  if (limits.addressSpaceBytes >= 0) {
    rlimit r{static_cast<rlim_t>(limits.addressSpaceBytes), static_cast<rlim_t>(limits.addressSpaceBytes)};
    setrlimit(RLIMIT_AS, &r);
  }
  if (limits.unprivileged && geteuid() == 0) {
    if (setgid(kUnprivilegedId) != 0 || setuid(kUnprivilegedId) != 0) _exit(125);
  }
}

// Waits for pid, killing it at killAt (when set) and at the deadline.
int WaitFor(pid_t pid, std::chrono::steady_clock::time_point deadline, long killAfterMicros, bool& timedOut) {
  const auto killAt = std::chrono::steady_clock::now() + std::chrono::microseconds(killAfterMicros);
  int status = 0;
  bool killSent = false;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    auto now = std::chrono::steady_clock::now();
    if (!killSent && killAfterMicros >= 0 && now >= killAt) {
      kill(pid, SIGKILL);
      killSent = true;
    } else if (now >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      timedOut = true;
      return status;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(killAfterMicros >= 0 && !killSent ? 50 : 1000));
  }
}

}  // namespace

void GiveToUnprivileged(const std::string& folder) {
  if (geteuid() != 0) return;
  if (chown(folder.c_str(), kUnprivilegedId, kUnprivilegedId) != 0) throw std::runtime_error("chown " + folder);
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (lchown(entry.path().c_str(), kUnprivilegedId, kUnprivilegedId) != 0)
      throw std::runtime_error("chown " + entry.path().string());
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
               const Limits& limits, long killAfterMicros, int timeoutSeconds) {
  ProgramRun result;
  static std::atomic<int> runs{0};
  const std::string errorFile =
      fs::temp_directory_path() / ("quenby-h-stderr-" + std::to_string(getpid()) + "-" + std::to_string(++runs));
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (err >= 0) {
      dup2(err, 2);
      close(err);
    }
    ApplyLimits(limits);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  result.started = true;
  int status = WaitFor(pid, deadline, killAfterMicros, result.timedOut);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.killed = true;
  result.errorText = ReadText(errorFile);
  unlink(errorFile.c_str());
  return result;
}

ChildRun RunInChild(int (*body)(void* context, std::string& message), void* context, const Limits& limits,
                    int timeoutSeconds) {
  ChildRun result;
  int channel[2];
  if (pipe(channel) != 0) return result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    close(channel[0]);
    ApplyLimits(limits);
    std::string message;
    int code = body(context, message);
    size_t written = 0;
    while (written < message.size()) {
      ssize_t n = write(channel[1], message.data() + written, message.size() - written);
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
    _exit(code);
  }
  close(channel[1]);
  bool timedOut = false;
  // The message is short: the pipe holds it until the child has ended.
  int status = WaitFor(pid, deadline, -1, timedOut);
  char buffer[4096];
  ssize_t n = 0;
  fcntl(channel[0], F_SETFL, O_NONBLOCK);
  while ((n = read(channel[0], buffer, sizeof buffer)) > 0) result.message.append(buffer, static_cast<size_t>(n));
  close(channel[0]);
  if (!timedOut && WIFEXITED(status)) {
    result.ended = true;
    result.exitCode = WEXITSTATUS(status);
  }
  return result;
}

std::vector<HostCall> ReadHostReport(const std::string& path) {
  std::vector<HostCall> calls;
  std::istringstream in(ReadText(path));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    HostCall call;
    fields >> call.status;
    std::string v;
    while (fields >> v) call.out.push_back(std::strtod(v.c_str(), nullptr));
    calls.push_back(std::move(call));
  }
  return calls;
}

std::vector<pid_t> ProcessesRunning(const std::string& path) {
  std::vector<pid_t> pids;
  const std::string wanted = fs::weakly_canonical(path).string();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    char target[4096];
    ssize_t n = readlink((entry.path() / "exe").c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    if (std::string(target, static_cast<size_t>(n)) == wanted) pids.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return pids;
}

std::string CompiledBackPropNetwork(int inputs, int outputs, int hidden, unsigned seed) {
  const int variables = inputs + outputs;
  std::string f = "*** General Project Info ***\r\n";
  common::AppendIntegerItem(f, variables);
  common::AppendIntegerItem(f, inputs);
  common::AppendIntegerItem(f, outputs);
  f += "\r\n";
  for (int v = 1; v <= variables; ++v) f += "Var" + std::to_string(v) + "\r\n";
  auto line = [&f](int64_t v) {
    common::AppendIntegerItem(f, v);
    f += "\r\n";
  };
  for (int v = 1; v <= inputs; ++v) line(v);
  for (int v = 1; v <= outputs; ++v) line(inputs + v);
  f += "*** Clustering ***\r\n 0  0 None\r\n*** Partitioning ***\r\n";
  common::AppendIntegerItem(f, inputs);
  common::AppendIntegerItem(f, 0);
  f += "\r\n";
  for (int v = 1; v <= inputs; ++v) line(v);
  f += "*** Min and Max ***\r\n";
  for (int g = 1; g <= variables + 2; ++g) {
    bool output = g > inputs && g <= variables;
    common::AppendNumberItem(f, output ? -5.0 - g * 0.01 : -100.0);
    common::AppendNumberItem(f, output ? 7.0 + g * 0.03 : 1200.0);
    f += "\r\n";
  }
  f += "*** BackProp ***\r\nBackProp Info\r\nFalse";
  common::AppendIntegerItem(f, 1);
  common::AppendIntegerItem(f, hidden);
  f += "\r\n";
  unsigned state = seed;
  auto weight = [&state]() {
    state = state * 1103515245u + 12345u;
    return static_cast<double>((state >> 8) % 20001) / 10000.0 - 1.0;
  };
  for (int i = 1; i <= (inputs + 1) * hidden; ++i) {
    common::AppendNumberItem(f, weight() / std::sqrt(static_cast<double>(inputs)));
    f += "\r\n";
  }
  for (int i = 1; i <= (hidden + 1) * outputs; ++i) {
    common::AppendNumberItem(f, weight() * 2);
    f += "\r\n";
  }
  f += "*** GRNN ***\r\nNo GRNN\r\n";
  return f;
}

void Deploy(const Folder& folder, int hidden, int caseCount) {
  // The host program too: an unprivileged run may not reach the build tree.
  for (const char* file : {TORVANE_PROGRAM, QUENBY_LIBRARY, PELLMAR_LIBRARY, RELIABILITY_HOST_PROGRAM})
    fs::copy_file(file, folder.File(fs::path(file).filename().string()), fs::copy_options::overwrite_existing);
  WriteText(folder.File("netA.DLLFile"), CompiledBackPropNetwork(55, 2, hidden, 1));
  WriteText(folder.File("netB.DLLFile"), CompiledBackPropNetwork(53, 1, hidden, 2));
  WriteText(folder.File("netC.DLLFile"), CompiledBackPropNetwork(47, 1, hidden, 3));
  WriteText(folder.File("netFirst.DLLFile"), CompiledBackPropNetwork(40, 1, hidden, 4));
  WriteText(folder.File("Control.dat"), "Network A\r\n" + folder.File("netA") + "\r\nNetwork B\r\n" +
                                            folder.File("netB") + "\r\nNetwork C\r\n" + folder.File("netC") +
                                            "\r\nFirst stage\r\n" + folder.File("netFirst") + "\r\nCases\r\n" +
                                            std::to_string(caseCount) + "\r\n");
}

namespace {

double HostValue(int caseIndex, int k, unsigned seed) {
  if (k == 307) return 20.5 + (seed + static_cast<unsigned>(caseIndex)) % 40;
  return std::fmod(k * 37.123456789 + seed * 11.5 + caseIndex * 3.25, 1000.0) - 20;
}

}  // namespace

std::string InputVarsText(int caseCount, unsigned seed) {
  std::string text;
  char line[64];
  for (int c = 1; c <= caseCount; ++c)
    for (int k = 1; k <= 510; ++k) {
      std::snprintf(line, sizeof line, "%15.4f\r\n", HostValue(c, k, seed));
      text += line;
    }
  return text;
}

std::vector<double> HostInputs(unsigned seed) {
  std::vector<double> in(511);
  in[0] = 1.0;
  for (int k = 1; k <= 510; ++k) in[k] = HostValue(1, k, seed);
  return in;
}

}  // namespace reliability
