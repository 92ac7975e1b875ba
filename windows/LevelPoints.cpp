// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/LevelPoints.h"

#include "windows/charts/TraceChart.h"

#include <QObject>

bool DrawLevelPoints(TraceChart& chart,
                     const std::vector<std::vector<kel::results::StoredMeasurement>>& runs,
                     const std::vector<QString>& labels) {
    chart.Clear();
    chart.SetAxes(QObject::tr("Generator level (dBm)"), QObject::tr("PER (%)"), false);
    bool drawn = false;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        for (const kel::results::StoredMeasurement& stored : runs[r]) {
            const kel::rftest::Measurement& m = stored.measurement;
            if (m.kind != kel::rftest::MeasurementKind::SensPoint || !m.value || !m.perPercent)
                continue;
            QString line = QStringLiteral("%1 Mbit/s").arg(m.rateMbps.value_or(0), 0, 'f', 1);
            if (runs.size() > 1 && r < labels.size())
                line += QStringLiteral(" \u2014 ") + labels[r];
            chart.AddPoint(line, *m.value, *m.perPercent);
            drawn = true;
        }
    }
    return drawn;
}
