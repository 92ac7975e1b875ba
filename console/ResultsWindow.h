#pragma once
// The results window: the runs of the results store, newest first, with
// their measurements and RX points.

#include <QWidget>

class CkelGuiToolDlg;

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    explicit ResultsWindow(CkelGuiToolDlg& dlg);
    ~ResultsWindow() override;

private:
    CkelGuiToolDlg& dlg_;
};
