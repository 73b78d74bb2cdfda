#include "preflight.h"

#include <vector>

#include "common/failure.h"
#include "deployment_findings.h"

namespace tools {

void CheckWorkingFolder(const std::string& folder) {
  std::vector<Finding> findings;
  // The adapter may come from elsewhere (--library, beside pellmar-run).
  std::vector<Finding> deliverables;
  CheckDeliverables(folder, deliverables);
  for (const Finding& f : deliverables)
    if (f.text.find(Deliverables().adapter) == std::string::npos) findings.push_back(f);
  CheckControlFile(folder, findings);
  CheckWritable(folder, findings);
  std::string faults;
  for (const Finding& f : findings) {
    if (f.severity != Severity::Error) continue;
    faults += (faults.empty() ? "" : "; ") + f.text;
  }
  if (!faults.empty()) {
    common::Fail(common::FailureClass::FileNotFound,
                 "the working folder " + folder + " is not ready, nothing was calculated: " + faults +
                     " (quenby check " + folder + " tells more)");
  }
}

}  // namespace tools
