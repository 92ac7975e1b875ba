// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A report-view list whose cells are edited in place: a click on a cell lays
// an editor exactly over it (CEditItem, an edit box, or CComboItem, a
// drop-down), and the text the editor reports replaces the cell's text. Which
// columns can be edited, and how, is decided by a callback the owner installs.

#include "editlist/EndLabelEdit.h"

#include <QStringList>
#include <QTableWidget>

class CEditList : public QTableWidget {
    Q_OBJECT
public:
    // What editorCallback returns for a column: its kind of editor.
    static constexpr int kEditBoxEditor = 0;
    static constexpr int kDropDownEditor = 1;
    static constexpr int kNoEditor = 2; // as any other value
    using EditorCallback = int (*)(int column);

    explicit CEditList(QWidget* parent = nullptr);
    ~CEditList() override;

    // Report-view operations the owner uses. Each returns the index it used,
    // or -1 (false) when the row or column does not exist.
    int InsertColumn(int column, const QString& heading, Qt::Alignment format, int width);
    int InsertItem(int row, const QString& text);
    QString GetItemText(int row, int column) const;
    bool SetItemText(int row, int column, const QString& text);
    int GetItemCount() const { return rowCount(); }

    // The row the Delete key removes: the current row while it is selected,
    // else -1.
    int GetSelectionMark() const;

    EditorCallback editorCallback = nullptr;
    QStringList choiceList;

signals:
    // An in-place editor has set the text of this cell.
    void cellEdited(int row, int column);

protected:
    // Where every editor's outcome arrives; a cancel changes nothing.
    virtual void OnEndLabelEdit(const EndLabelEdit& record);

    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnClick(int row, int column);
    bool EnsureRowVisible(int row, int column);
    QRect CellRect(int row, int column);
    void OpenEditItem(int row, int column);
    void OpenComboItem(int row, int column);
    Qt::Alignment ColumnAlignment(int column) const;
    QTableWidgetItem* NewCell(int column, const QString& text) const;
};
