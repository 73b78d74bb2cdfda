#include "host_process.h"

#include <cmath>
#include <numbers>

namespace samples {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Climate {
  double rainMean, rainAmplitude, rainPeriod, rainPhase;
  double tempMean, tempAmplitude, tempPeriod, tempPhase, warming;
  double pumpBefore, pumpAfter, pumpChangeYear, pumpChangeWidth;
};

void FillSeries(HostCase& c, const Climate& k) {
  for (int s = 1; s <= kSteps; ++s) {
    c.h[static_cast<size_t>(kRainfallBase + s)] = k.rainMean + k.rainAmplitude * std::sin(kTwoPi * s / k.rainPeriod + k.rainPhase);
    c.h[static_cast<size_t>(kTemperatureBase + s)] =
        k.tempMean + k.tempAmplitude * std::sin(kTwoPi * s / k.tempPeriod + k.tempPhase) + k.warming * s;
    c.h[static_cast<size_t>(kPumpingBase + s)] =
        k.pumpBefore + (k.pumpAfter - k.pumpBefore) / (1.0 + std::exp(-(s - k.pumpChangeYear) / k.pumpChangeWidth));
  }
}

bool IsSeries(int n) { return n > kRainfallBase && n <= kRainfallBase + kSteps; }

}  // namespace

std::string HostVariableTitle(int n) {
  switch (n) {
    case kDistance: return "Distance to well (m)";
    case kVelocity: return "Groundwater velocity (m/yr)";
    case kRetardation: return "Retardation factor";
    case kSourceStart: return "Initial source concentration (mg/L)";
    case kDecayRate: return "Source decay rate (1/yr)";
    case kMeanDepth: return "Mean water table depth (m)";
    case kBaseflow: return "Spring baseflow (L/s)";
    case kRemediationStart: return "Remediation start (year)";
    case kReinjection: return "Re-injection rate (L/s)";
    case kPumpInfluence: return "Spring loss per 1000 m3/d (L/s)";
    default: break;
  }
  if (IsSeries(n)) return "Rainfall year " + std::to_string(n - kRainfallBase) + " (mm)";
  if (n > kTemperatureBase && n <= kTemperatureBase + kSteps)
    return "Temperature year " + std::to_string(n - kTemperatureBase) + " (C)";
  if (n > kPumpingBase && n <= kPumpingBase + kSteps) return "Pumping year " + std::to_string(n - kPumpingBase) + " (m3/d)";
  return "Site factor " + std::to_string(n);
}

HostCase DemoCase() {
  HostCase c;
  // Site factors the networks hardly use: spread over their range.
  for (int n = 1; n <= kHostVariables; ++n) c.h[static_cast<size_t>(n)] = 2.0 + 6.0 * std::fmod(n * 0.6180339887498949, 1.0);
  c.h[kDistance] = 540;
  c.h[kVelocity] = 45;
  c.h[kRetardation] = 1.6;
  c.h[kSourceStart] = 120;
  c.h[kDecayRate] = 0.025;
  c.h[kMeanDepth] = 6;
  c.h[kBaseflow] = 18;
  c.h[kRemediationStart] = 45;
  c.h[kReinjection] = 2.5;
  c.h[kPumpInfluence] = 1.2;
  FillSeries(c, Climate{900, 150, 11, 0.5, 10, 1.2, 11, 2.0, 0.02, 300, 700, 25, 6});
  return c;
}

HostCase RandomCase(Prng& rng) {
  HostCase c;
  for (int n = 1; n <= kHostVariables; ++n) c.h[static_cast<size_t>(n)] = rng.Uniform(0, 10);
  c.h[kDistance] = rng.Uniform(300, 900);
  c.h[kVelocity] = rng.Uniform(30, 90);
  c.h[kRetardation] = rng.Uniform(1, 2.5);
  c.h[kSourceStart] = rng.Uniform(20, 200);
  c.h[kDecayRate] = rng.Uniform(0.01, 0.06);
  c.h[kMeanDepth] = rng.Uniform(2, 15);
  c.h[kBaseflow] = rng.Uniform(5, 30);
  c.h[kRemediationStart] = rng.Uniform(5, 80);
  c.h[kReinjection] = rng.Uniform(0, 5);
  c.h[kPumpInfluence] = rng.Uniform(0.5, 2);
  Climate k;
  k.rainMean = rng.Uniform(700, 1100);
  k.rainAmplitude = rng.Uniform(50, 250);
  k.rainPeriod = rng.Uniform(6, 15);
  k.rainPhase = rng.Uniform(0, kTwoPi);
  k.tempMean = rng.Uniform(8, 12);
  k.tempAmplitude = rng.Uniform(0.5, 2);
  k.tempPeriod = rng.Uniform(8, 14);
  k.tempPhase = rng.Uniform(0, kTwoPi);
  k.warming = rng.Uniform(0, 0.03);
  k.pumpBefore = rng.Uniform(100, 900);
  k.pumpAfter = rng.Uniform(100, 900);
  k.pumpChangeYear = rng.Uniform(10, 90);
  k.pumpChangeWidth = rng.Uniform(3, 10);
  FillSeries(c, k);
  return c;
}

double ArrivalYears(const HostCase& c) { return c.h[kDistance] * c.h[kRetardation] / c.h[kVelocity]; }

double ArrivalDays(const HostCase& c) { return 365.0 * ArrivalYears(c); }

double SourceConcentration(const HostCase& c, int s) {
  double natural = c.h[kSourceStart] * std::exp(-c.h[kDecayRate] * s);
  double treated = s >= c.h[kRemediationStart] ? std::exp(-0.08 * (s - c.h[kRemediationStart])) : 1.0;
  return natural * treated;
}

double WaterTableDepth(const HostCase& c, int s) {
  return c.h[kMeanDepth] + 0.004 * (900.0 - c.Rainfall(s)) + 0.002 * c.Pumping(s);
}

double WellConcentration(const HostCase& c, int s) {
  double arrival = ArrivalYears(c);
  double spread = 0.15 * arrival + 1.0;
  double peak = 0.5 * c.h[kSourceStart] * std::exp(-c.h[kDecayRate] * arrival);
  double front = 1.0 / (1.0 + std::exp(-(s - arrival) / spread));
  double dilution = 1.0 - 0.0004 * (c.Rainfall(s) - 900.0);
  return peak * front * dilution;
}

double SpringDischarge(const HostCase& c, int s) {
  double climate = c.h[kBaseflow] * (1.5 - 0.05 * c.Temperature(s));
  double pumping = c.h[kPumpInfluence] * c.Pumping(s) / 1000.0;
  double reinjection = s >= c.h[kRemediationStart] ? c.h[kReinjection] : 0.0;
  return climate - pumping + reinjection;
}

}  // namespace samples
