#pragma once
// The validity domain of a host calculation: every input row the driver
// builds for the four networks, checked against the training ranges of
// the columns it feeds. The rows come from the driver's own table builders,
// the ranges from the compiled networks.
#include <string>
#include <vector>

#include "first_stage_answers.h"
#include "quenby_network.h"
#include "training_range.h"

namespace tools {

class ValidityDomain {
 public:
  // Describes the four compiled networks; throws common::Failure when one
  // cannot be read.
  explicit ValidityDomain(const ControlProjects& projects);

  // seen: the 510 host inputs as the driver reads them; firstStage: the
  // first-stage network's answer for them.
  DomainCheck Check(const std::vector<double>& seen, double firstStage) const;

 private:
  struct Network {
    std::string name;
    std::vector<quenby::NetworkColumn> columns;  // the caller's columns, in table order
  };
  Network firstStage_, a_, b_, c_;
};

}  // namespace tools
