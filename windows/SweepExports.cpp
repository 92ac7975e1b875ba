// SPDX-License-Identifier: GPL-3.0-or-later
// The sweep window's exports: the points as CSV, the chart as PNG and SVG
// with a title that says whose sweep it is.
#include "rftest/RxCsv.h"
#include "windows/ConsoleSession.h"
#include "windows/SweepWindow.h"
#include "windows/WindowParts.h"
#include "windows/charts/PerChart.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace {

namespace rftest = kel::rftest;

} // namespace

// --- Exports ------------------------------------------------------------------

std::optional<QString> SweepWindow::AskExportPath(const QString& extension, const QString& filter) {
    const QString board = dutEdit->text().trimmed().isEmpty()
                              ? QString()
                              : QStringLiteral("_") + dutEdit->text().trimmed();
    const QString name =
        QStringLiteral("rx-sweep%1_%2.%3")
            .arg(board,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")),
                 extension);
    const QString folder = exportFolder_.isEmpty() ? QDir::homePath() : exportFolder_;
    std::optional<QString> path = session_.SaveExportName(name, filter, folder);
    if (path)
        exportFolder_ = QFileInfo(*path).absolutePath();
    return path;
}

QString SweepWindow::ExportTitle() const {
    const QString board = QString::fromStdString(boardMac_.value_or(port_));
    QStringList parts{tr("RX sweep of %1").arg(board)};
    if (!dut_.isEmpty())
        parts << tr("DUT %1").arg(dut_);
    if (!station_.isEmpty())
        parts << tr("station %1").arg(station_);
    parts << sweptAt_.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!ending_.isEmpty())
        parts << ending_;
    return parts.join(QStringLiteral(", "));
}

void SweepWindow::ExportCsv() {
    const std::optional<QString> path =
        AskExportPath(QStringLiteral("csv"), tr("CSV files (*.csv)"));
    if (!path)
        return;
    std::string text = rftest::RxCsvHeader();
    for (const rftest::Measurement& rx : points_)
        text += rftest::RxCsvRow(rx, port_, boardMac_);
    QString why;
    if (!SaveText(*path, text, why))
        session_.MessageBox(why);
}

void SweepWindow::ExportPicture(const QString& extension, const QString& filter, SaveChart save) {
    const std::optional<QString> path = AskExportPath(extension, filter);
    QString why;
    if (path && !save(*chart, *path, why, ExportTitle()))
        session_.MessageBox(why);
}
