// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Calibration trials and results as measurements (Measurement.h), the same
// rows whichever front end or plan took them.

#include "rftest/Measurement.h"
#include "rftest/calibration/Calibration.h"

#include <string>

namespace kel::rftest {

// freq_trial: the code tried and the tone measured with it.
Measurement FreqTrialMeasurement(int code, const ToneReading& reading, int channel);
// freq_cal: the code proven (or closest), judged on |error_ppm| <= tolerance;
// text "saved" once the SDD data holds it.
Measurement FreqCalMeasurement(const CrystalResult& result, const CrystalOptions& options);

// power_trial and power_cal: per rate class, at the class's measuring rate.
Measurement PowerTrialMeasurement(std::size_t powerClass, int level, const PowerReading& reading,
                                  int channel);
Measurement PowerCalMeasurement(std::size_t powerClass, const PowerClassResult& result,
                                const PowerOptions& options);

// sens_point: one burst's counters at a generator level; sensitivity: the
// lowest level passing, judged on maxDbm.
Measurement SensPointMeasurement(double levelDbm, const RxPoint& point);
Measurement SensitivityMeasurement(const SensitivityResult& result, int channel,
                                   std::optional<double> maxDbm);

// "code 71: error +0.31 ppm (+756 Hz) in 3 measurements, saved".
std::string CrystalText(const CrystalResult& result);
// "11b: level 62, 17.93 dBm in 2 measurements, saved".
std::string PowerClassText(std::size_t powerClass, const PowerClassResult& result, bool saved);
// A calibration result as one line: "crystal: code 71, +0.31 ppm (+756
// Hz), saved, pass"; empty for any other measurement.
std::string CalibrationLine(const Measurement& m);

// "54 Mbit/s: -73.5 dBm (7 points)".
std::string SensitivityText(const SensitivityResult& result);

} // namespace kel::rftest
