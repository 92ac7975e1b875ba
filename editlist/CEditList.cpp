// SPDX-License-Identifier: GPL-3.0-or-later
#include "editlist/CEditList.h"

#include "editlist/CComboItem.h"
#include "editlist/CEditItem.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

namespace {

Qt::Alignment HorizontalPart(Qt::Alignment format) {
    if (format & Qt::AlignRight) {
        return Qt::AlignRight;
    }
    if (format & (Qt::AlignHCenter | Qt::AlignJustify)) {
        return Qt::AlignHCenter;
    }
    return Qt::AlignLeft;
}

} // namespace

CEditList::CEditList(QWidget* parent) : QTableWidget(parent) {
    verticalHeader()->hide();
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Our editors replace the view's own; Tab leaves the list as in a dialog.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

CEditList::~CEditList() {
    // An editor still open must not report into a list being torn down.
    for (auto* editor : viewport()->findChildren<CEditItem*>(Qt::FindDirectChildrenOnly)) {
        delete editor;
    }
    for (auto* editor : viewport()->findChildren<CComboItem*>(Qt::FindDirectChildrenOnly)) {
        delete editor;
    }
}

int CEditList::InsertColumn(int column, const QString& heading, Qt::Alignment format, int width) {
    if (column < 0) {
        return -1;
    }
    column = std::min(column, columnCount());
    insertColumn(column);
    auto* header = new QTableWidgetItem(heading);
    header->setTextAlignment(HorizontalPart(format) | Qt::AlignVCenter);
    setHorizontalHeaderItem(column, header);
    setColumnWidth(column, width);
    return column;
}

int CEditList::InsertItem(int row, const QString& text) {
    // The item's text lives in column 0, which must exist.
    if (row < 0 || columnCount() == 0) {
        return -1;
    }
    row = std::min(row, rowCount());
    insertRow(row);
    setItem(row, 0, NewCell(0, text));
    return row;
}

QString CEditList::GetItemText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

bool CEditList::SetItemText(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
        return false;
    }
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(text);
        return true;
    }
    setItem(row, column, NewCell(column, text));
    return true;
}

int CEditList::GetSelectionMark() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), QModelIndex())) {
        return -1;
    }
    return current.row();
}

void CEditList::OnEndLabelEdit(const EndLabelEdit& record) {
    if (record.row == -1 || !record.text) {
        return;
    }
    // Column 0 is left exactly as it is: nothing else in the row changes.
    if (SetItemText(record.row, record.column, *record.text)) {
        emit cellEdited(record.row, record.column);
    }
}

void CEditList::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QModelIndex index = indexAt(event->position().toPoint());
    OnClick(index.row(), index.column());
}

void CEditList::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Delete) {
        QTableWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    const int mark = GetSelectionMark();
    if (mark == -1) {
        return;
    }
    removeRow(mark);
    // As with the mark of a native list, a deleted row leaves no mark behind:
    // a second Delete removes nothing until a row is chosen again.
    selectionModel()->clearCurrentIndex();
    clearSelection();
}

void CEditList::OnClick(int row, int column) {
    // Taking the focus ends (and commits) an edit still open elsewhere.
    if (!hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
    if (row < 0 || column < 0 || !editorCallback) {
        return;
    }
    if (editorCallback(column) == kDropDownEditor) {
        OpenComboItem(row, column);
        return;
    }
    if (editorCallback(column) == kEditBoxEditor) {
        OpenEditItem(row, column);
    }
}

// Scrolls vertically only, and only when no part of the row shows.
bool CEditList::EnsureRowVisible(int row, int column) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount() || isRowHidden(row) ||
        isColumnHidden(column)) {
        return false;
    }
    executeDelayedItemsLayout();
    const int top = rowViewportPosition(row);
    if (top + rowHeight(row) > 0 && top < viewport()->height()) {
        return true;
    }
    const int horizontal = horizontalScrollBar()->value();
    scrollTo(model()->index(row, column), QAbstractItemView::EnsureVisible);
    horizontalScrollBar()->setValue(horizontal);
    return true;
}

// The cell's rectangle in viewport coordinates, scrolled into view when its
// left edge is outside, and cut at the viewport's right edge.
QRect CEditList::CellRect(int row, int column) {
    const QModelIndex index = model()->index(row, column);
    QRect cell = visualRect(index);
    if (cell.left() < 0 || cell.left() > viewport()->width()) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + cell.left());
        // Read it again: at the end of the scroll range it may not reach 0.
        cell = visualRect(index);
    }
    cell.setRight(std::min(cell.right(), viewport()->width() - 1));
    return cell;
}

void CEditList::OpenEditItem(int row, int column) {
    if (!EnsureRowVisible(row, column)) {
        return;
    }
    const QRect cell = CellRect(row, column);
    auto* editor = new CEditItem(row, column, GetItemText(row, column), this);
    editor->setAlignment(ColumnAlignment(column) | Qt::AlignVCenter);
    connect(editor, &CEditItem::editEnded, this, &CEditList::OnEndLabelEdit);
    editor->Open(cell);
}

void CEditList::OpenComboItem(int row, int column) {
    const QString oldText = GetItemText(row, column);
    if (!EnsureRowVisible(row, column)) {
        return;
    }
    const QRect cell = CellRect(row, column);
    auto* editor = new CComboItem(row, column, choiceList, this);
    connect(editor, &CComboItem::editEnded, this, &CEditList::OnEndLabelEdit);
    editor->Open(cell, oldText);
}

Qt::Alignment CEditList::ColumnAlignment(int column) const {
    const QTableWidgetItem* header = horizontalHeaderItem(column);
    if (!header) {
        return Qt::AlignLeft;
    }
    return HorizontalPart(Qt::Alignment(header->textAlignment()));
}

QTableWidgetItem* CEditList::NewCell(int column, const QString& text) const {
    auto* cell = new QTableWidgetItem(text);
    cell->setTextAlignment(ColumnAlignment(column) | Qt::AlignVCenter);
    return cell;
}
