// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/PortList.h"

#include "console/DialogBuilder.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStandardItemModel>

namespace kel {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;

// One row of the port box. An editable box puts a row's edit text into its
// field, so the list can show what a port is while the field gets its path.
class PortItem : public QStandardItem {
public:
    explicit PortItem(const PortEntry& entry) { Set(entry); }

    void Set(const PortEntry& entry) {
        setData(entry.text, Qt::DisplayRole);
        setData(entry.path, kPathRole);
        setToolTip(entry.toolTip);
    }
    PortEntry Entry() const { return {data(kPathRole).toString(), text(), toolTip()}; }
    QVariant data(int role) const override {
        return QStandardItem::data(role == Qt::EditRole ? kPathRole : role);
    }
};

PortItem* ItemAt(const QComboBox* box, int row) {
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    return model ? dynamic_cast<PortItem*>(model->item(row)) : nullptr;
}

// Rows stay sorted by path as text, as the list's sorted style asks.
void InsertSorted(QComboBox* box, const PortEntry& entry) {
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    if (model)
        model->insertRow(SortedRow(box, entry.path), new PortItem(entry));
}

// Descriptions are longer than the box is wide: the open list shows them whole.
void FitListWidth(QComboBox* box) {
    QAbstractItemView* view = box->view();
    view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() + 8);
}

// What the user has in the field. Editing the rows makes the box rewrite its
// field (from the current row's text, or empty when that row goes): it is
// put back afterwards, caret and selection included.
struct FieldState {
    QString chosenPath;
    QString text;
    int cursor = 0;
    int selectionStart = -1;
    int selectionLength = 0;
};

FieldState SaveField(const QComboBox* box) {
    FieldState state;
    if (box->currentIndex() >= 0)
        state.chosenPath = PortPaths(box).value(box->currentIndex());
    const QLineEdit* field = box->lineEdit();
    if (!field)
        return state;
    state.text = field->text();
    state.cursor = field->cursorPosition();
    state.selectionStart = field->selectionStart();
    state.selectionLength = static_cast<int>(field->selectedText().size());
    return state;
}

void RestoreField(QComboBox* box, const FieldState& state) {
    const int row = state.chosenPath.isEmpty() ? -1 : PortPaths(box).indexOf(state.chosenPath);
    if (box->currentIndex() != row)
        box->setCurrentIndex(row);
    QLineEdit* field = box->lineEdit();
    if (!field)
        return;
    if (field->text() != state.text)
        field->setText(state.text);
    if (state.selectionStart < 0) {
        field->setCursorPosition(state.cursor);
        return;
    }
    // A selection made leftwards keeps its caret at the left end.
    const bool caretAtStart = state.cursor == state.selectionStart;
    const int end = state.selectionStart + state.selectionLength;
    if (caretAtStart)
        field->setSelection(end, -state.selectionLength);
    else
        field->setSelection(state.selectionStart, state.selectionLength);
}

QString DetailsOf(const SerialPortInfo& port) {
    QStringList details;
    if (!port.usbId.empty())
        details << QStringLiteral("USB ") + QString::fromStdString(port.usbId);
    if (!port.driver.empty())
        details << QStringLiteral("driver ") + QString::fromStdString(port.driver);
    return details.join(QStringLiteral(", "));
}

} // namespace

bool IsVirtualBoardEntry(const QString& text) {
    return text == QLatin1String(kVirtualBoardEntry);
}

PortEntry EntryFor(const SerialPortInfo& port) {
    PortEntry entry;
    entry.path = QString::fromLocal8Bit(port.path);
    entry.text = entry.path;
    if (!port.description.empty())
        entry.text += QStringLiteral(" — ") + QString::fromUtf8(port.description);
    QStringList tip{entry.text};
    if (const QString details = DetailsOf(port); !details.isEmpty())
        tip << details;
    for (const std::string& link : port.links)
        tip << QString::fromLocal8Bit(link);
    entry.toolTip = tip.join(QLatin1Char('\n'));
    return entry;
}

PortEntry VirtualBoardEntry() {
    const QString name = QString::fromLatin1(kVirtualBoardEntry);
    return {name, name,
            QStringLiteral("A stand-in for the board's RF test firmware, run by this "
                           "console on a pseudo-terminal")};
}

QList<PortEntry> PortListEntries(const SystemRoots& roots) {
    QList<PortEntry> entries;
    for (const SerialPortInfo& port : EnumerateSerialPorts(roots))
        entries << EntryFor(port);
    entries << VirtualBoardEntry();
    return entries;
}

QStringList PortPaths(const QComboBox* box) {
    QStringList paths;
    for (int row = 0; row < box->count(); ++row)
        paths << box->itemData(row, Qt::EditRole).toString();
    return paths;
}

void RefillPortList(QComboBox* box, const QList<PortEntry>& entries) {
    box->clear();
    for (const PortEntry& entry : entries)
        InsertSorted(box, entry);
    // A typed path is part of the previous choice, and goes with it.
    box->setCurrentIndex(-1);
    if (box->isEditable())
        box->setEditText(QString());
    FitListWidth(box);
}

void UpdatePortList(QComboBox* box, const QList<PortEntry>& entries) {
    const QSignalBlocker quiet(box); // for whoever listens, nothing the user chose changes
    const FieldState field = SaveField(box);
    QStringList wanted;
    for (const PortEntry& entry : entries)
        wanted << entry.path;
    for (int row = box->count() - 1; row >= 0; --row) {
        if (!wanted.contains(PortPaths(box)[row]))
            box->removeItem(row);
    }
    for (const PortEntry& entry : entries) {
        const int row = PortPaths(box).indexOf(entry.path);
        PortItem* item = row < 0 ? nullptr : ItemAt(box, row);
        if (row < 0)
            InsertSorted(box, entry);
        else if (item && item->Entry() != entry)
            item->Set(entry);
    }
    RestoreField(box, field);
    ShowChosenToolTip(box);
    FitListWidth(box);
}

// Hovering the field tells which port its path is.
void ShowChosenToolTip(QComboBox* box) {
    const int row = PortPaths(box).indexOf(box->currentText());
    box->setToolTip(row < 0 ? QString() : box->itemData(row, Qt::ToolTipRole).toString());
}

std::string DevicePathOf(const QString& text) {
    return DevicePathFor(text.trimmed().toLocal8Bit().toStdString());
}

} // namespace kel
