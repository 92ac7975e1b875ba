// SPDX-License-Identifier: GPL-3.0-or-later
// Where the focus is shows: Tab walks each window of the console once round
// and every control it lands on must look different with the focus than
// without it (the text cursor aside), in the application's own style.

#include "ConsoleFixture.h"
#include "console/CkelGuiToolApp.h"
#include "windows/ResultsWindow.h"
#include "windows/SweepWindow.h"

#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QtTest>
#include <set>

namespace {

constexpr int kQB202 = 2;
// A frame or highlight changes a line of pixels at least; anti-aliasing
// noise and a moved cursor do not reach it.
constexpr int kLeastChangedPixels = 12;

// The widget's pixels with every text cursor in it painted over: the cursor
// comes and goes with the focus whether or not the style shows it.
QImage LookOf(QWidget* widget) {
    QImage look = widget->grab().toImage();
    QPainter painter(&look);
    QList<QWidget*> editors = widget->findChildren<QWidget*>();
    editors << widget;
    for (QWidget* editor : editors) {
        if (!editor->testAttribute(Qt::WA_InputMethodEnabled))
            continue;
        const QRect cursor = editor->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        if (cursor.isValid())
            painter.fillRect(
                cursor.translated(editor->mapTo(widget, QPoint())).adjusted(-3, -3, 3, 3),
                Qt::magenta);
    }
    return look;
}

int ChangedPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return a.width() * a.height();
    int changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x)
            changed += a.pixel(x, y) != b.pixel(x, y);
    }
    return changed;
}

QString NameOf(const QWidget* widget) {
    return QStringLiteral("%1 \"%2\" (%3)")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(),
             widget->accessibleName());
}

struct TabRound {
    std::vector<QWidget*> reached; // in order, from the window's focus on
    QStringList unmarked;          // those that looked the same without the focus
    QStringList missed;            // Tab stops never reached
};

// Tab once round the window, each control looked at with the focus and
// without it.
TabRound WalkTabs(QWidget& window) {
    TabRound round;
    std::set<QWidget*> seen;
    for (int step = 0; step < 300; ++step) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window,
                        Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        if (!focused || !seen.insert(focused).second)
            break;
        round.reached.push_back(focused);
        const QImage withFocus = LookOf(focused);
        focused->clearFocus();
        if (ChangedPixels(withFocus, LookOf(focused)) < kLeastChangedPixels)
            round.unmarked << NameOf(focused);
        focused->setFocus(Qt::TabFocusReason);
    }
    for (QWidget* stop : window.findChildren<QWidget*>()) {
        const bool tabStop = stop->isVisible() && stop->isEnabled() && !stop->focusProxy() &&
                             (stop->focusPolicy() & Qt::TabFocus) && stop->window() == &window;
        if (tabStop && !seen.count(stop))
            round.missed << NameOf(stop);
    }
    return round;
}

void VerifyEveryStopReachedAndMarked(QWidget& window, TabRound* kept = nullptr) {
    const TabRound round = WalkTabs(window);
    QVERIFY(round.reached.size() > 5);
    QVERIFY2(round.missed.isEmpty(), qPrintable("not reached: " + round.missed.join("; ")));
    QVERIFY2(round.unmarked.isEmpty(), qPrintable("no focus shown: " + round.unmarked.join("; ")));
    if (kept)
        *kept = round;
}

} // namespace

class FocusVisibleTest : public QObject {
    Q_OBJECT

    std::optional<ConsoleFixture> console;

    void Show(QWidget& window) {
        window.show();
        window.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &window);
    }

private slots:
    void initTestCase() {
        console.emplace();
        QVERIFY(console->ConnectToVirtualBoard(kQB202));
    }
    void cleanupTestCase() { console.reset(); }

    void everyControlOfTheDialogShowsItsFocus() {
        Show(*console->dlg);
        VerifyEveryStopReachedAndMarked(*console->dlg);
    }

    void everyControlOfTheSweepWindowShowsItsFocus() {
        console->dlg->sweepButton->click();
        QWidget& window = *console->dlg->sweepWindow;
        Show(window);
        TabRound round;
        VerifyEveryStopReachedAndMarked(window, &round);
        if (QTest::currentTestFailed())
            return;
        // The rates beside the left column follow it.
        const auto at = [&](const char* name) {
            const auto found = std::find(round.reached.begin(), round.reached.end(),
                                         window.findChild<QWidget*>(name));
            return found - round.reached.begin();
        };
        QCOMPARE(at("rate1.0"), at("dut") + 1);
        QCOMPARE(at("start"), at("rate65.0") + 1);
    }

    void everyControlOfTheResultsWindowShowsItsFocus() {
        console->dlg->resultsButton->click();
        QWidget& window = *console->dlg->resultsWindow;
        Show(window);
        VerifyEveryStopReachedAndMarked(window);
    }
};

// The console's own application: its style is what is checked.
int main(int argc, char** argv) {
    CkelGuiToolApp app(argc, argv);
    FocusVisibleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FocusVisibleTest.moc"
