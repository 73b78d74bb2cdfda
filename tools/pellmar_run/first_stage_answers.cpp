#include "first_stage_answers.h"

#include <cmath>
#include <functional>

#include "common/failure.h"

#include "control_file.h"
#include "driver_state.h"
#include "first_stage.h"

namespace tools {

namespace {
// Rows per engine call: the driver's tables count cases in 16 bits.
constexpr size_t kRowsPerCall = 32767;
}

ControlProjects ReadControlProjects(const std::string& folder) {
  torvane::g_dataFolder = folder;
  torvane::ReadControlFile();
  return {torvane::ProjectPath1, torvane::ProjectPath2, torvane::ProjectPath3, torvane::ProjectPath4};
}

std::vector<std::optional<double>> FirstStageAnswers(DeploymentEngine& engine, const std::string& project,
                                                     const std::vector<std::vector<double>>& seen) {
  std::vector<std::optional<double>> answers(seen.size());
  std::vector<size_t> buildable;
  for (size_t i = 0; i < seen.size(); ++i) {
    const double k = 411 + std::floor(seen[i][306]);
    if (k >= 0 && k <= torvane::kHostVariables) buildable.push_back(i);
  }
  // A table the engine refuses (a case exactly on a cluster centre, say) is
  // split until the refused cases stand alone: they get no answer and run
  // on their own, where the driver reports what it finds.
  std::optional<common::Failure> firstFailure;
  bool anyAnswered = false;
  std::function<void(size_t, size_t)> answer = [&](size_t first, size_t count) {
    torvane::CaseCount = static_cast<int16_t>(count);
    torvane::CaseTable.Redim(0, torvane::CaseCount, 0, torvane::kHostVariables, "CaseTable");
    for (size_t c = 1; c <= count; ++c)
      for (int v = 1; v <= torvane::kHostVariables; ++v)
        torvane::CaseTable(static_cast<int32_t>(c), v) = seen[buildable[first + c - 1]][static_cast<size_t>(v - 1)];
    torvane::BuildFirstStageTable();
    const torvane::Table& t = torvane::FirstStageTable;
    QuenbyTable view{const_cast<double*>(t.Data()), t.RowLower(), t.RowUpper(), t.ColLower(), t.ColUpper()};
    try {
      std::vector<double> f = engine.FirstOutputs(project, view);
      for (size_t c = 0; c < count && c < f.size(); ++c) answers[buildable[first + c]] = f[c];
      anyAnswered = true;
    } catch (const common::Failure& failure) {
      if (!firstFailure) firstFailure = failure;
      if (count == 1) return;
      answer(first, count / 2);
      answer(first + count / 2, count - count / 2);
    }
  };
  for (size_t first = 0; first < buildable.size(); first += kRowsPerCall) {
    answer(first, std::min(kRowsPerCall, buildable.size() - first));
    // Refused whole and case by case from the start: the network itself is
    // at fault, not a realization.
    if (!anyAnswered && firstFailure) throw *firstFailure;
  }
  return answers;
}

int StepsBeforeArrival(double firstStageAnswer) {
  const double days = std::floor(firstStageAnswer / 365.0);
  int zeros = 0;
  for (int s = 1; s <= 100; ++s)
    if (static_cast<double>(s) < days) ++zeros;
  return zeros;
}

}  // namespace tools
