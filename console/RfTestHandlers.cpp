// RF tests: MAC addresses, power, tone, TX, RX, channel, rate, and the
// Count and Length check boxes.

#include "console/CkelGuiToolDlg.h"

void CkelGuiToolDlg::OnBnClickedGetMac() {}

void CkelGuiToolDlg::OnBnClickedSetMac() {}

void CkelGuiToolDlg::OnBnClickedSetPower() {}

void CkelGuiToolDlg::OnBnClickedTone() {}

void CkelGuiToolDlg::OnBnClickedTx() {}

void CkelGuiToolDlg::OnBnClickedRx() {}

void CkelGuiToolDlg::OnCbnSelchangeChannel() {}

void CkelGuiToolDlg::OnCbnSelchangeRate() {}

void CkelGuiToolDlg::OnBnClickedCountCheck() {}

void CkelGuiToolDlg::OnBnClickedLengthCheck() {}
