// SPDX-License-Identifier: GPL-3.0-or-later
// The console with an instrument set (KEL_INSTRUMENT): Tone Start and TX
// Start show the virtual bench's reading of the board in the log pane and
// record it in the results store.

#include "ConsoleFixture.h"
#include "board/BenchPhysics.h"
#include "board/BoardTray.h"
#include "board/InstrumentServer.h"
#include "console/BenchInstrument.h"
#include "console/ResultsRecorder.h"
#include "instrument/Instrument.h"
#include "instrument/InstrumentUrl.h"
#include "instrument/ProfileLookup.h"
#include "protocol/ChipModels.h"
#include "resources/ResourceIds.h"
#include "results/Queries.h"
#include "results/Store.h"
#include "rftest/RfTables.h"
#include "serial/ReadWatchdog.h"

#include <QPlainTextEdit>
#include <QtTest>
#include <cmath>

using namespace kel::res;

class InstrumentConsoleTest : public QObject {
    Q_OBJECT

    static kel::rftest::Measurement LastRecorded(ConsoleFixture& console) {
        kel::results::Store store(kel::results::DefaultStoreFile(),
                                  kel::results::Store::Open::Existing);
        return kel::results::RunMeasurements(store, console.dlg->results->Run().id)
            .back()
            .measurement;
    }

private slots:
    void toneAndTxStartShowAndRecordTheInstrumentsReading() {
        kel::board::BoardTray tray(kel::board::TrayConfigs(1));
        kel::board::InstrumentServer bench(tray, 0, "kelGuiTool,Test,0,1");
        qputenv(kInstrumentVariable, QByteArray::fromStdString(bench.Url()));
        {
            // The switch is set from elsewhere, as a bench's own script would.
            std::string why;
            std::vector<kel::instrument::ProfileError> errors;
            kel::instrument::Instrument router(
                *kel::instrument::ParseInstrumentUrl(bench.Url(), why),
                *kel::instrument::LoadProfile("scpi", errors));
            router.Connect();
            router.Route(1);
        }
        ConsoleFixture console(kel::ReadWatchdog::kSlice);
        QVERIFY(console.Connect(*kel::ChipModelRowOf("QB202"), tray.SlavePath(0)));
        // Until a channel is chosen the board's is not known: nothing is measured.
        console.Click(IDC_TONE);
        QVERIFY(console.dlg->logPane->toPlainText().contains(
            QStringLiteral("Instrument: not measured: choose the channel")));
        console.Click(IDC_TONE);
        console.Choose(IDC_CHANNEL, kel::rftest::RowOfChannel(7));

        console.Click(IDC_TONE);
        const QString log = console.dlg->logPane->toPlainText();
        QVERIFY2(log.contains(QStringLiteral("Instrument: tone at ")), qPrintable(log));
        const kel::rftest::Measurement tone = LastRecorded(console);
        QCOMPARE(tone.kind, kel::rftest::MeasurementKind::ToneFreq);
        const double expected =
            kel::board::FrequencyErrorPpm(bench.Character(0), tray.State(0).liveFreqOffset);
        QVERIFY2(std::abs(*tone.errorPpm - expected) < 0.1,
                 qPrintable(QString::number(*tone.errorPpm)));
        QCOMPARE(tone.channel, 7);
        console.Click(IDC_TONE);

        console.Click(IDC_TX);
        QVERIFY(
            console.dlg->logPane->toPlainText().contains(QStringLiteral("Instrument: TX power ")));
        const kel::rftest::Measurement power = LastRecorded(console);
        QCOMPARE(power.kind, kel::rftest::MeasurementKind::TxPower);
        QVERIFY(*power.powerDbm > 10 && *power.powerDbm < 22);
        console.Click(IDC_TX);
        qunsetenv(kInstrumentVariable);
    }
};

QTEST_MAIN(InstrumentConsoleTest)
#include "InstrumentConsoleTest.moc"
