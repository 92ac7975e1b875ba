#include "console/ResultsWindow.h"

#include "console/CkelGuiToolDlg.h"

ResultsWindow::ResultsWindow(CkelGuiToolDlg& dlg) : QWidget(&dlg, Qt::Window), dlg_(dlg) {
    setObjectName(QStringLiteral("resultsWindow"));
}

ResultsWindow::~ResultsWindow() = default;
