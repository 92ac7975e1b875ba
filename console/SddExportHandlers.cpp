// SDD file export: the board's SDD file dumped into a file the user chooses.

#include "console/CkelGuiToolDlg.h"

void CkelGuiToolDlg::OnBnClickedExportSdd() {}
