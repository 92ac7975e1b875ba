// Calibration and power mode: frequency offset, the SDD power table, the
// supply radios and the free command line.

#include "console/CkelGuiToolDlg.h"

void CkelGuiToolDlg::OnBnClickedSetFreqOffset() {}

void CkelGuiToolDlg::OnBnClickedGetFreqOffset() {}

void CkelGuiToolDlg::OnBnClickedSaveFreqOffset() {}

void CkelGuiToolDlg::OnBnClickedGetSddFreqOffset() {}

void CkelGuiToolDlg::OnBnClickedSetPowerAll() {}

void CkelGuiToolDlg::OnBnClickedGetPowerAll() {}

void CkelGuiToolDlg::OnBnClickedSaveToSdd() {}

void CkelGuiToolDlg::OnPowerMode(int) {}

void CkelGuiToolDlg::OnBnClickedSendCmd() {}
