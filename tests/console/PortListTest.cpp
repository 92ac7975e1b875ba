// SPDX-License-Identifier: GPL-3.0-or-later
// The port box following plugging: nodes appear in and leave a fake /dev
// (links to real pseudo-terminals) while a fake sysfs says what they are.

#include "console/PortList.h"

#include "console/PortListWatcher.h"
#include "serial/SerialPort.h"
#include "tests/support/FakeSerialTree.h"
#include "tests/support/PtyPeer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using kel::test::FakeSerialTree;
using kel::test::PtyPeer;

namespace {

const kel::test::UsbStrings kAdapter{"FTDI", "FT232R USB UART", "A50285BI", "0403", "6001"};

} // namespace

class PortListTest : public QObject {
    Q_OBJECT

private slots:
    void followsPluggingWithoutTouchingTheField() {
        PtyPeer first, second, held;
        kel::SerialPort otherProgram;
        QCOMPARE(otherProgram.Open(held.SlavePath(), 115200), 0);
        FakeSerialTree tree;
        tree.AddUsbSerial("ttyUSB0", 1, kAdapter, "ftdi_sio");
        tree.AddNode("ttyUSB0", first.SlavePath());
        const QString usb0 = QString::fromStdString(tree.DevPath("ttyUSB0"));
        const QString usb1 = QString::fromStdString(tree.DevPath("ttyUSB1"));
        const QString board = QString::fromLatin1(kel::kVirtualBoardEntry);

        QComboBox box;
        box.setEditable(true);
        box.setInsertPolicy(QComboBox::NoInsert);
        kel::PortListWatcher watcher(&box, nullptr);
        watcher.SetRoots(tree.Roots());
        watcher.Refill();
        QCOMPARE(kel::PortPaths(&box), (QStringList{usb0, board}));

        // Half-typed, caret inside: a refresh must leave it alone.
        box.lineEdit()->setText(QStringLiteral("/dev/pts/1"));
        box.lineEdit()->setCursorPosition(4);
        tree.AddUsbSerial("ttyUSB2", 3, kAdapter, "ftdi_sio"); // held: left out
        tree.AddNode("ttyUSB2", held.SlavePath());
        tree.AddUsbSerial("ttyUSB1", 2, kAdapter, "ftdi_sio");
        tree.AddNode("ttyUSB1", second.SlavePath());
        QTRY_COMPARE(kel::PortPaths(&box), (QStringList{usb0, usb1, board}));
        QCOMPARE(box.currentText(), QStringLiteral("/dev/pts/1"));
        QCOMPARE(box.lineEdit()->cursorPosition(), 4);
        QCOMPARE(box.currentIndex(), -1);

        // The chosen adapter pulled out: its path stays in the field.
        box.setCurrentIndex(0);
        QCOMPARE(box.currentText(), usb0);
        QVERIFY(box.toolTip().contains(QStringLiteral("USB 0403:6001, driver ftdi_sio")));
        tree.Remove("ttyUSB0");
        QTRY_COMPARE(kel::PortPaths(&box), (QStringList{usb1, board}));
        QCOMPARE(box.currentText(), usb0);
        QCOMPARE(box.currentIndex(), -1);
    }
};

QTEST_MAIN(PortListTest)
#include "PortListTest.moc"
