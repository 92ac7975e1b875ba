// SPDX-License-Identifier: GPL-3.0-or-later
// How the PER chart reads: its legend in rows with every rate told apart,
// the same in an exported picture, and its numbers written as the grid and
// the results table write them.

#include "rftest/Measurement.h"
#include "tests/support/TempFolder.h"
#include "windows/ColumnTitles.h"
#include "windows/charts/ChartLegend.h"
#include "windows/charts/PerChart.h"
#include "windows/charts/PerGrid.h"

#include <QChart>
#include <QChartView>
#include <QImage>
#include <QScatterSeries>
#include <QValueAxis>
#include <QtTest>
#include <set>

namespace {

namespace f = kel::rftest::field;

// Twenty rates, 1 to 20 Mbit/s, each at channel 1 and 14, the limit at 5 %.
void DrawTwentyRates(PerChart& chart) {
    chart.SetLimit(5.0);
    for (int rate = 1; rate <= 20; ++rate) {
        chart.AddPoint(1, rate, rate * 0.5);
        chart.AddPoint(14, rate, 0.0);
    }
}

QScatterSeries* AboveTheLimit(PerChart& chart) {
    for (QAbstractSeries* series : chart.findChild<QChartView*>("chartView")->chart()->series()) {
        if (series->name() == QStringLiteral("Above the limit"))
            return qobject_cast<QScatterSeries*>(series);
    }
    return nullptr;
}

} // namespace

class ChartReadingTest : public QObject {
    Q_OBJECT

private slots:
    void legendWrapsInRowsUnderThePlotEachRateItsOwn() {
        PerChart chart;
        chart.resize(700, 520);
        DrawTwentyRates(chart);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        const auto* legend = chart.findChild<ChartLegend*>("chartLegend");
        const auto* view = chart.findChild<QChartView*>("chartView");
        QVERIFY(legend && view);

        // Rows under the plot, several entries each, all rows given room.
        QVERIFY(legend->geometry().top() >= view->geometry().bottom());
        QCOMPARE(legend->width(), chart.width());
        QVERIFY(legend->Columns(legend->width()) > 1);
        QVERIFY(legend->Rows(legend->width()) > 1);
        QVERIFY(legend->height() >= legend->heightForWidth(legend->width()));

        // Every rate, then the limit, then the plot's own ring for a point above it.
        const std::vector<LegendEntry>& entries = legend->Entries();
        QCOMPARE(entries.size(), std::size_t{22});
        std::set<std::pair<QRgb, LegendEntry::Mark>> looks;
        for (std::size_t i = 0; i < 20; ++i) {
            QCOMPARE(entries[i].name, QStringLiteral("%1.0 Mbit/s").arg(i + 1));
            QVERIFY(entries[i].mark != LegendEntry::Mark::None);
            looks.emplace(entries[i].colour.rgb(), entries[i].mark);
        }
        QCOMPARE(looks.size(), std::size_t{20});
        QCOMPARE(entries[20].name, QStringLiteral("Limit 5 %"));
        QCOMPARE(entries[20].stroke, Qt::DashLine);
        const QScatterSeries* ring = AboveTheLimit(chart);
        QVERIFY(ring);
        QCOMPARE(entries[21].mark, LegendEntry::Mark::Ring);
        QCOMPARE(ring->markerShape(), QScatterSeries::MarkerShapeCircle);
        QCOMPARE(ring->brush().style(), Qt::NoBrush);
        QCOMPARE(entries[21].colour, ring->pen().color());
    }

    void exportedPictureCarriesTheLegendRows() {
        PerChart chart;
        chart.resize(500, 400);
        DrawTwentyRates(chart);
        kel::test::TempFolder folder;
        const QString path = QString::fromStdString((folder.path / "chart.png").string());
        QString why;
        QVERIFY2(chart.SavePng(path, why), qPrintable(why));
        const QImage image(path);
        QCOMPARE(image.size(), PerChart::kExportSize);

        // The first rate's colour shows in the rows under the plot.
        const auto* legend = chart.findChild<ChartLegend*>("chartLegend");
        const QRgb first = legend->Entries().front().colour.rgb();
        const int rowsTop = image.height() - legend->heightForWidth(image.width());
        bool found = false;
        for (int y = rowsTop; y < image.height() && !found; ++y) {
            for (int x = 0; x < image.width() && !found; ++x)
                found = (image.pixel(x, y) & 0xffffff) == (first & 0xffffff);
        }
        QVERIFY(found);
    }

    void perAndChannelReadAlikeInGridTableAndAxes() {
        PerGrid grid;
        grid.Reset({1}, {54.0}, std::nullopt);
        grid.Show(1, 54.0, 1.5);
        QCOMPARE(grid.CellText(1, 54.0), QStringLiteral("1.50"));
        QCOMPARE(CellText(f::kPerPercent, 1.5), grid.CellText(1, 54.0));
        QCOMPARE(CellText(f::kRateMbps, 54.0), QStringLiteral("54.0"));

        PerChart chart;
        chart.AddPoint(1, 54.0, 1.5);
        QChart* plot = chart.findChild<QChartView*>("chartView")->chart();
        const auto* per = qobject_cast<QValueAxis*>(plot->axes(Qt::Vertical).front());
        const auto* channel = qobject_cast<QValueAxis*>(plot->axes(Qt::Horizontal).front());
        QCOMPARE(QString::asprintf(per->labelFormat().toLatin1().constData(), 1.5),
                 grid.CellText(1, 54.0) + QStringLiteral(" %"));
        QCOMPARE(QString::asprintf(channel->labelFormat().toLatin1().constData(), 6),
                 QStringLiteral("6"));
    }
};

QTEST_MAIN(ChartReadingTest)
#include "ChartReadingTest.moc"
