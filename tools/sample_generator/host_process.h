#pragma once
// The synthetic site behind the sample networks: a contaminant source that
// decays, a plume that reaches a well, a water table and a spring that follow
// the climate and the pumping. One host case is the 510 host variables of
// one calculation; the networks are trained on what this process gives.
#include <array>
#include <string>

#include "prng.h"

namespace samples {

inline constexpr int kHostVariables = 510;
inline constexpr int kSteps = 100;

// Host variables by number, as the host hands them over.
inline constexpr int kDistance = 1;           // distance from source to well (m)
inline constexpr int kVelocity = 2;           // groundwater velocity (m/yr)
inline constexpr int kRetardation = 3;        // retardation factor
inline constexpr int kSourceStart = 5;        // source concentration in year 0 (mg/L)
inline constexpr int kDecayRate = 6;          // natural decay rate of the source (1/yr)
inline constexpr int kMeanDepth = 8;          // mean depth to the water table (m)
inline constexpr int kBaseflow = 258;         // baseflow of the spring (L/s)
inline constexpr int kRemediationStart = 307; // year in which remediation starts
inline constexpr int kReinjection = 308;      // re-injection once remediation runs (L/s)
inline constexpr int kPumpInfluence = 309;    // spring loss per 1000 m3/d pumped (L/s)
// Series of one value per year: year s is variable base + s.
inline constexpr int kRainfallBase = 55;      // annual rainfall (mm), 56..155
inline constexpr int kTemperatureBase = 310;  // annual mean temperature (C), 311..410
inline constexpr int kPumpingBase = 410;      // pumping rate (m3/d), 411..510

// Host variables 1..510 of one case; h[0] is the run flag's place, unused.
struct HostCase {
  std::array<double, kHostVariables + 1> h{};
  double Rainfall(int year) const { return h[static_cast<size_t>(kRainfallBase + year)]; }
  double Temperature(int year) const { return h[static_cast<size_t>(kTemperatureBase + year)]; }
  double Pumping(int year) const { return h[static_cast<size_t>(kPumpingBase + year)]; }
};

// Title of host variable n (1..510).
std::string HostVariableTitle(int n);

// The case the demonstration calculates.
HostCase DemoCase();
// A site drawn at random from the ranges the networks were trained on.
HostCase RandomCase(Prng& rng);

// The process itself, year s = 1..100.
double ArrivalYears(const HostCase& c);
double ArrivalDays(const HostCase& c);
double SourceConcentration(const HostCase& c, int s);
double WaterTableDepth(const HostCase& c, int s);
double WellConcentration(const HostCase& c, int s);
double SpringDischarge(const HostCase& c, int s);

}  // namespace samples
