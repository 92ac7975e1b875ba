#pragma once
// A report-view list whose cells are edited in place: a click on a cell lays
// an editor exactly over it (CEditItem, an edit box, or CComboItem, a
// drop-down), and the text the editor reports replaces the cell's text. Which
// columns can be edited, and how, is decided by a callback the owner installs.

#include <QStringList>
#include <QTableWidget>

class CEditList : public QTableWidget {
    Q_OBJECT
public:
    // Returns 1 for a drop-down editor, 0 for an edit box, anything else for none.
    using EditorCallback = int (*)(int column);

    explicit CEditList(QWidget* parent = nullptr);

    // Report-view operations the owner uses.
    int InsertColumn(int column, const QString& heading, Qt::Alignment format, int width);
    int InsertItem(int row, const QString& text);
    QString GetItemText(int row, int column) const;
    bool SetItemText(int row, int column, const QString& text);
    int GetItemCount() const { return rowCount(); }

    EditorCallback editorCallback = nullptr;
    QStringList choiceList;
};
