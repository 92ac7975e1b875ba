// Connection: Connect/Disconnect, the port list's drop-down, the chip model.

#include "console/CkelGuiToolDlg.h"

void CkelGuiToolDlg::OnBnClickedConnect() {}

void CkelGuiToolDlg::OnCbnDropdownComPort() {}

void CkelGuiToolDlg::OnCbnSelchangeChipModel() {}
