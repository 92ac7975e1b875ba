// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/editlist/EditListDialog.h"

#include <QApplication>
#include <QVBoxLayout>

int PowerLevelEditBox(int column) {
    return column == 1 ? 0 : -1;
}
int DropDownEverywhere(int) {
    return 1;
}

EditListDialog::EditListDialog(CEditList::EditorCallback callback) {
    auto* layout = new QVBoxLayout(&dialog);
    list = new CEditList(&dialog);
    ok = new QPushButton("OK", &dialog);
    cancel = new QPushButton("Cancel", &dialog);
    layout->addWidget(list);
    layout->addWidget(ok);
    layout->addWidget(cancel);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [this] { ++okClicks; });
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    QObject::connect(&dialog, &QDialog::rejected, &dialog, [this] { ++rejects; });

    list->InsertColumn(0, "rate", Qt::AlignHCenter, 90);
    list->InsertColumn(1, "power level", Qt::AlignHCenter, 102);
    list->InsertItem(0, "11b");
    list->InsertItem(1, "11gn");
    list->InsertItem(2, "11n mcs7");
    list->SetItemText(0, 1, "50");
    list->SetItemText(1, 1, "60");
    list->SetItemText(2, 1, "70");
    list->editorCallback = callback;
    dialog.installEventFilter(&keysAtDialog);
    dialog.resize(320, 240);
}

bool EditListDialog::Show() {
    dialog.show();
    const bool active = QTest::qWaitForWindowActive(&dialog);
    Settle(); // lets the list lay out its rows and scroll ranges
    return active;
}

QPoint EditListDialog::CellCenter(int row, int column) const {
    return list->visualRect(list->model()->index(row, column)).center();
}

void EditListDialog::ClickCell(int row, int column) {
    ClickAt(CellCenter(row, column));
}

void EditListDialog::ClickAt(QPoint viewportPoint) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, viewportPoint);
}

void EditListDialog::Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* popup = QApplication::activePopupWidget();
    QWindow* window = popup ? popup->windowHandle() : dialog.windowHandle();
    QTest::keyClick(window, key, modifiers);
}

void EditListDialog::Type(const QString& text) {
    for (const QChar c : text) {
        QTest::keyClick(dialog.windowHandle(), c.toLatin1());
    }
}

void EditListDialog::Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
