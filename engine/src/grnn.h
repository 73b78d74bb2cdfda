#pragma once
// The general regression evaluation ("GRNN"): kernel-weighted means of the
// stored training patterns.

namespace quenby {

// Scales Net().NetInputs into Net().ScaledInputs (no clamping) and writes
// one estimate per case and output into Net().NetOutputs, in network units.
void RunGrnn();

}  // namespace quenby
