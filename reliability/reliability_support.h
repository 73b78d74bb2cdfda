#pragma once
// Helpers of the reliability tests: deployment folders with the real
// deliverables, programs run under resource limits and time-outs, and the
// compiled networks of the cascade. POSIX only.
#include <sys/types.h>

#include <string>
#include <vector>

#include "testing/temp_folder.h"

namespace reliability {

using Folder = testing_support::TempFolder;
using testing_support::CurrentFolder;

void WriteText(const std::string& path, const std::string& text);  // throws when it cannot
std::string ReadText(const std::string& path);                     // "" when missing
bool IsFile(const std::string& path);
// Names in folder that are not in keep (left-over temporary files and such).
std::vector<std::string> FilesOtherThan(const std::string& folder, const std::vector<std::string>& keep);

struct Limits {
  long fileSizeBytes = -1;      // RLIMIT_FSIZE, with SIGXFSZ ignored; -1: none
  long addressSpaceBytes = -1;  // RLIMIT_AS; -1: none
  // Run as an ordinary user (nobody) when the tests run as root, so that
  // folder and file permissions apply.
  bool unprivileged = false;
};

// The user an unprivileged run takes (only when running as root).
inline constexpr unsigned kUnprivilegedId = 65534;
// Gives folder and everything in it to that user when running as root, so an
// unprivileged run can use it as its owner would.
void GiveToUnprivileged(const std::string& folder);

struct ProgramRun {
  bool started = false;
  bool timedOut = false;
  bool killed = false;  // ended by a signal
  int exitCode = -1;
  std::string errorText;  // standard error
};

// Runs program with args from folder, under limits; kills it after
// killAfterMicros (when >= 0) and in any case after timeoutSeconds.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
               const Limits& limits = {}, long killAfterMicros = -1, int timeoutSeconds = 100);

// Runs body in a child process under limits; the child's exit code is
// body's result (0..255), and its message, when body sets one, comes back.
struct ChildRun {
  bool ended = false;  // false: killed, timed out or could not start
  int exitCode = -1;
  std::string message;
};
ChildRun RunInChild(int (*body)(void* context, std::string& message), void* context, const Limits& limits,
                    int timeoutSeconds = 100);

// The reliability host program, which Deploy puts in the folder: loads the
// adapter of its current folder and makes calls calculations, printing each
// status and 400 results to report.
// Args: seed, calls, report file, and "clear" to leave the run flag clear.
inline const char* const kHostProgramName = "reliability_host";

struct HostCall {
  int status = -1;
  std::vector<double> out;
};
// Reads a host program's report; empty when missing.
std::vector<HostCall> ReadHostReport(const std::string& path);

// Pids of running processes whose program file is path.
std::vector<pid_t> ProcessesRunning(const std::string& path);

// The compiled text of a back-propagation network with inputs direct inputs,
// outputs outputs and hidden neurons, no clustering, no general regression,
// weights from a fixed sequence of seed.
std::string CompiledBackPropNetwork(int inputs, int outputs, int hidden, unsigned seed);

// A deployment folder: Torvane, Quenby, Pellmar and the reliability host
// beside "Control.dat"
// naming four compiled networks netA, netB, netC, netFirst (hidden neurons
// each), with caseCount on line 10.
void Deploy(const Folder& folder, int hidden, int caseCount);

// "inputvars.dat" text of caseCount cases of the 510 host variables, varied
// by seed, in the adapter's 15-column form.
std::string InputVarsText(int caseCount, unsigned seed);
// The host's input vector (flag set) of the same values for one case.
std::vector<double> HostInputs(unsigned seed);

}  // namespace reliability
