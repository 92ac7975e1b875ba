// SPDX-License-Identifier: GPL-3.0-or-later
// kel-screenshot-tour OUTPUT_DIR: drives the console against its built-in
// virtual board through the tasks of docs/guide.md and saves a PNG of each
// window in a known state. docs/screenshots.sh runs it under Xvfb; what the
// program keeps between runs goes to a scratch folder, never the home folder.

#include "board/VirtualBoardHost.h"
#include "console/CkelGuiToolDlg.h"
#include "console/FocusFrameStyle.h"
#include "console/PortList.h"
#include "docs/CalibrateTour.h"
#include "docs/StationTour.h"
#include "editlist/CEditList.h"
#include "resources/ResourceIds.h"
#include "windows/ResultsWindow.h"
#include "windows/SweepWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace kel::res;

namespace {

QString outputDir;
int failures = 0;

void Settle(int ms = 150) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Save(QWidget* window, const char* name) {
    Settle();
    const QString path = outputDir + "/" + name + ".png";
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "kel-screenshot-tour: cannot write %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// Answers as a careful user would, and pictures the next question asked.
class TourPrompter : public Prompter {
public:
    QString savePath;
    const char* questionPicture = nullptr;

    void MessageBox(const QString& text) override {
        std::fprintf(stderr, "kel-screenshot-tour: the console said: %s\n", qPrintable(text));
        ++failures;
    }
    Answer YesNoCancel(const QString& text) override {
        if (questionPicture) {
            QMessageBox box(QMessageBox::Question, QStringLiteral("KEL GUI Tool"), text,
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.show();
            Save(&box, questionPicture);
            questionPicture = nullptr;
        }
        return Answer::No;
    }
    std::optional<QString> SaveFileName(const QString&, const QString&, const QString&,
                                        bool) override {
        return savePath;
    }
};

class Tour {
public:
    explicit Tour(TourPrompter* prompter) : prompter_(prompter) {}

    CkelGuiToolDlg& dlg() { return *dlg_; }
    void Click(int id) { qobject_cast<QAbstractButton*>(dlg_->GetDlgItem(id))->click(); }
    void Choose(int id, int row) {
        auto* list = qobject_cast<QComboBox*>(dlg_->GetDlgItem(id));
        list->setCurrentIndex(row);
        emit list->activated(row);
    }
    void Type(int id, const QString& text) {
        QWidget* control = dlg_->GetDlgItem(id);
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->setText(text);
        else if (auto* combo = qobject_cast<QComboBox*>(control))
            combo->setEditText(text);
    }
    int Row(int id, const QString& text) {
        return qobject_cast<QComboBox*>(dlg_->GetDlgItem(id))->findText(text);
    }

    void Run() {
        dlg_->show();
        Settle(500);

        // A board to try everything on: the built-in virtual board, its
        // signal weak enough that the PER picture shows some loss.
        kel::board::BoardConfig board;
        board.rxLevelDbm = -80;
        // Its RX counters follow this clock, a second further at each
        // reading (about 100 frames from the tester), so each run pictures
        // the same counts.
        board.clock = [this] {
            return std::chrono::steady_clock::time_point(std::chrono::seconds(readings_++));
        };
        dlg_->virtualBoard = std::make_unique<kel::board::VirtualBoardHost>(board);
        Choose(IDC_CHIP_MODEL, Row(IDC_CHIP_MODEL, "QB202"));
        Type(IDC_COM_PORT, QString::fromUtf8(kel::kVirtualBoardEntry));
        qobject_cast<QComboBox*>(dlg_->GetDlgItem(IDC_COM_PORT))->lineEdit()->setCursorPosition(0);
        Save(dlg_.get(), "console-start");
        Click(IDC_CONNECT);
        if (!dlg_->connected) {
            std::fprintf(stderr, "kel-screenshot-tour: no connection to the virtual board\n");
            ++failures;
            return;
        }
        Save(dlg_.get(), "console-connected");

        // TX for an instrument: channel 6, 54 Mbit/s, 1024-byte frames.
        Choose(IDC_CHANNEL, Row(IDC_CHANNEL, "6"));
        Choose(IDC_RATE, Row(IDC_RATE, "54.0Mbps"));
        Type(IDC_TX_LENGTH, "1024");
        Click(IDC_TX);
        Save(dlg_.get(), "console-tx");
        Click(IDC_TX);

        // RX and PER: receive while the tester sends 200 frames, then stop.
        Choose(IDC_RATE, Row(IDC_RATE, "11.0Mbps"));
        dlg_->ClearLog();
        Click(IDC_RX);
        Type(IDC_SEND_PKT_NUM, "100");
        Click(IDC_RX);
        Save(dlg_.get(), "console-rx-per");

        // Crystal calibration: try an offset on the running firmware.
        dlg_->ClearLog();
        Type(IDC_FREQ_OFFSET, "52");
        Click(IDC_SET_FREQ_OFFSET);
        Save(dlg_.get(), "console-calibration");

        // Save To SDD stores the power table (one level edited) and the offset.
        dlg_->ClearLog();
        dlg_->sddPowerList->SetItemText(0, 1, QStringLiteral("62"));
        Click(IDC_SAVE_TO_SDD);
        Save(dlg_.get(), "console-save-to-sdd");

        // The SDD file, saved where the user chose.
        dlg_->ClearLog();
        Click(IDC_EXPORT_SDD);
        Save(dlg_.get(), "console-sdd-export");

        // An RX sweep judged against 8 % PER, then the run in the results window.
        dlg_->OpenSweepWindow();
        SweepWindow& sweep = *dlg_->sweepWindow;
        for (QCheckBox* box : sweep.channelBoxes)
            box->setChecked(false);
        for (int channel : {1, 6, 11})
            sweep.findChild<QCheckBox*>(QStringLiteral("channel%1").arg(channel))->setChecked(true);
        for (QCheckBox* box : sweep.rateBoxes)
            box->setChecked(false);
        for (const char* rate : {"1.0", "11.0", "54.0"})
            sweep.findChild<QCheckBox*>(QStringLiteral("rate%1").arg(rate))->setChecked(true);
        sweep.secondsBox->setValue(1);
        sweep.sentBox->setValue(100);
        sweep.limitEdit->setText(QStringLiteral("8"));
        sweep.dutEdit->setText(QStringLiteral("SN-0042"));
        Settle(300);
        sweep.startButton->click();
        Save(&sweep, "sweep-window");
        // The same on a small screen: the body scrolls, nothing out of reach.
        const QSize shown = sweep.size();
        sweep.resize(1000, 640);
        Save(&sweep, "sweep-window-small");
        sweep.resize(shown);
        dlg_->OpenResultsWindow();
        Save(dlg_->resultsWindow, "results-window");
        // On the small screen too: verdict and plan still in sight.
        dlg_->resultsWindow->resize(1000, 640);
        Save(dlg_->resultsWindow, "results-window-small");
        dlg_->resultsWindow->close();
        sweep.close();
        CalibrateTour(*dlg_, Save);

        // The question before the supply switch, answered No.
        prompter_->questionPicture = "question-dcdc";
        Click(IDC_DCDC_MODE);

        // The About box, closed as soon as it is pictured.
        QTimer::singleShot(300, [] {
            if (QWidget* about = QApplication::activeModalWidget()) {
                Save(about, "about");
                about->close();
            }
        });
        dlg_->OnSysCommand(IDM_ABOUTBOX);
        Click(IDC_CONNECT);
    }

private:
    std::atomic<std::int64_t> readings_{0};
    TourPrompter* prompter_;
    std::unique_ptr<CkelGuiToolDlg> dlg_ =
        std::make_unique<CkelGuiToolDlg>(std::unique_ptr<Prompter>(prompter_));
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kel-screenshot-tour OUTPUT_DIR [QT OPTION]...\n");
        return 2;
    }
    // A scratch folder of a fixed name, as its paths show in the pictures.
    const QString scratch = QDir::tempPath() + "/kel-screenshot-tour";
    QDir(scratch).removeRecursively();
    QDir().mkpath(scratch + "/state/kelGuiTool");
    qputenv("XDG_STATE_HOME", (scratch + "/state").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (scratch + "/data").toLocal8Bit());
    qunsetenv("KEL_RESULTS");
    // The runs name a station of the guide's, not this host.
    QFile options(scratch + "/state/kelGuiTool/options.ini");
    if (options.open(QIODevice::WriteOnly))
        options.write("[results]\nstation=bench-1\noperator=ana\n");
    options.close();
    QApplication app(argc, argv);
    ShowFocusOnFrames(app); // as the console's own application does
    outputDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(outputDir);

    auto* prompter = new TourPrompter;
    prompter->savePath = scratch + "/board.sdd";
    {
        Tour tour(prompter);
        tour.Run();
    }
    StationTour(scratch, Save);
    QDir(scratch).removeRecursively();
    return failures == 0 ? 0 : 1;
}
