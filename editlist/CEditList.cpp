#include "CEditList.h"

// Placeholder bodies so the tree links while the list is being built.
CEditList::CEditList(QWidget* parent) : QTableWidget(parent) {}
int CEditList::InsertColumn(int column, const QString&, Qt::Alignment, int) { return column; }
int CEditList::InsertItem(int row, const QString&) { return row; }
QString CEditList::GetItemText(int, int) const { return {}; }
bool CEditList::SetItemText(int, int, const QString&) { return false; }
