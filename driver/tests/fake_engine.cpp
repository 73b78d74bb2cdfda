// A stand-in for the engine in the driver's tests. The project text says
// what to do:
//   "echo C1 C2 ..."  output k of every row is input column Ck of that row;
//   "fail"            the call fails with a message;
//   "short"           the result has one row fewer than the input.
// Every call is also logged to the file that FAKE_ENGINE_LOG names: the
// method, the project text and the input table's bounds, one call per line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "quenby.h"

namespace {
std::string lastError;
}

extern "C" QUENBY_API int32_t ApplyNNet(const char* method, const char* project, const QuenbyTable* inputs,
                                        QuenbyTable* result) {
  *result = QuenbyTable{};
  const char* logPath = std::getenv("FAKE_ENGINE_LOG");
  if (std::FILE* log = logPath ? std::fopen(logPath, "ab") : nullptr) {
    std::fprintf(log, "%s|%s|%d %d %d %d\n", method, project, inputs->row_lower, inputs->row_upper,
                 inputs->col_lower, inputs->col_upper);
    std::fclose(log);
  }
  std::istringstream words(project);
  std::string verb;
  words >> verb;
  if (verb == "fail") {
    lastError = "fake engine failure for " + std::string(project);
    return QUENBY_TYPE_MISMATCH;
  }
  std::vector<int> columns;
  int c;
  while (words >> c) columns.push_back(c);
  if (columns.empty()) columns.push_back(1);
  const int32_t rows = inputs->row_upper - (verb == "short" ? 1 : 0);
  const int32_t width = inputs->col_upper - inputs->col_lower + 1;
  const int32_t outputs = static_cast<int32_t>(columns.size());
  result->data = static_cast<double*>(std::calloc(static_cast<size_t>(rows * outputs) + 1, sizeof(double)));
  result->row_lower = 1;
  result->row_upper = rows;
  result->col_lower = 1;
  result->col_upper = outputs;
  for (int32_t i = 1; i <= rows; ++i)
    for (int32_t k = 1; k <= outputs; ++k)
      result->data[(i - 1) * outputs + (k - 1)] =
          inputs->data[(i - inputs->row_lower) * width + (columns[k - 1] - inputs->col_lower)];
  lastError.clear();
  return QUENBY_OK;
}

extern "C" QUENBY_API void QuenbyFreeTable(QuenbyTable* table) {
  if (!table) return;
  std::free(table->data);
  *table = QuenbyTable{};
}

extern "C" QUENBY_API const char* QuenbyLastError(void) { return lastError.c_str(); }
