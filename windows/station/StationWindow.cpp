// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/station/StationWindow.h"

#include "windows/station/SlotTile.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace {

// How often the counters' rate and a stopping session are looked at.
constexpr int kTickMs = 200;

void Enlarge(QLabel* label, double factor) {
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * factor);
    label->setFont(font);
}

} // namespace

int StationColumns(int fixtures) {
    return std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(fixtures)))));
}

StationWindow::StationWindow(StationSetup setup, QWidget* parent)
    : QWidget(parent), setup_(std::move(setup)) {
    setWindowTitle(tr("Station — %1").arg(QString::fromStdString(setup_.plan.name)));
    Build();
    StationSession::Hearing hearing;
    hearing.show = [this](std::size_t slot, TileState state) { Shown(slot, std::move(state)); };
    hearing.ended = [this](std::size_t, std::string serial, kel::plan::BoardVerdict verdict) {
        Counted(serial, verdict);
    };
    hearing.note = [this](QString text) { Say(text, false); };
    session_ =
        std::make_unique<StationSession>(setup_.plan, setup_.fixtures, setup_.names, setup_.store,
                                         *this, std::move(hearing), setup_.runSettings);
    qApp->installEventFilter(this);
}

StationWindow::~StationWindow() {
    qApp->removeEventFilter(this);
    session_.reset();
}

void StationWindow::Build() {
    const kel::plan::Plan& plan = setup_.plan;
    headerLabel = new QLabel(
        tr("%1%2 · station %3 · operator %4")
            .arg(QString::fromStdString(plan.name),
                 plan.version.empty() ? QString()
                                      : tr(" version %1").arg(QString::fromStdString(plan.version)),
                 QString::fromStdString(setup_.names.station),
                 QString::fromStdString(setup_.names.operatorName)),
        this);
    headerLabel->setObjectName(QStringLiteral("header"));
    countersLabel = new QLabel(this);
    countersLabel->setObjectName(QStringLiteral("counters"));
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("status"));
    statusLabel->setWordWrap(true);
    Enlarge(headerLabel, 1.6);
    Enlarge(countersLabel, 1.6);
    Enlarge(statusLabel, 1.3);
    stopButton = new QPushButton(tr("&Stop the session"), this);
    stopButton->setObjectName(QStringLiteral("stop"));
    stopButton->setAutoDefault(false);
    connect(stopButton, &QPushButton::clicked, this, &StationWindow::Stop);

    auto* grid = new QGridLayout;
    const int columns = StationColumns(static_cast<int>(setup_.fixtures.size()));
    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < setup_.fixtures.size(); ++i) {
        auto* tile = new SlotTile(QString::fromStdString(setup_.fixtures[i].SlotName()), this);
        tile->setObjectName(QStringLiteral("tile%1").arg(i));
        grid->addWidget(tile, static_cast<int>(i) / columns, static_cast<int>(i) % columns);
        if (previous)
            setTabOrder(previous, tile);
        previous = tile;
        tiles_.push_back(tile);
    }
    setTabOrder(previous, stopButton);
    for (int row = 0; row < grid->rowCount(); ++row)
        grid->setRowStretch(row, 1);
    for (int column = 0; column < grid->columnCount(); ++column)
        grid->setColumnStretch(column, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(headerLabel, 1);
    top->addWidget(stopButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(countersLabel);
    layout->addLayout(grid, 1);
    layout->addWidget(statusLabel);
    ShowCounters();

    clock_ = new QTimer(this);
    clock_->setInterval(kTickMs);
    connect(clock_, &QTimer::timeout, this, [this] {
        ShowCounters();
        CheckEnded();
    });
}

void StationWindow::Start() {
    began_ = std::chrono::steady_clock::now();
    session_->Start();
    clock_->start();
    if (!tiles_.empty())
        tiles_.front()->setFocus();
}

void StationWindow::Stop() {
    if (ended_ || !session_)
        return;
    stopping_ = true;
    stopButton->setEnabled(false);
    Say(tr("stopping: every running test is stopped and every port released"), false);
    session_->Stop();
    CheckEnded();
}

void StationWindow::CheckEnded() {
    if (ended_ || !stopping_ || (session_ && !session_->Ended()))
        return;
    ended_ = true;
    for (SlotTile* tile : tiles_)
        tile->Show({TileState::Kind::Stopped, tr("stopped — the port is released"), {}});
    Say(tr("the session has ended"), false);
}

void StationWindow::Shown(std::size_t slot, TileState state) {
    // After Stop, only the session's end is told.
    if (ended_ || slot >= tiles_.size())
        return;
    if (state.kind == TileState::Kind::Refused)
        QApplication::beep();
    tiles_[slot]->Show(std::move(state));
}

void StationWindow::Counted(const std::string& serial, kel::plan::BoardVerdict verdict) {
    counters_.Count(serial, verdict);
    ShowCounters();
}

void StationWindow::ShowCounters() {
    countersLabel->setText(counters_.Text(std::chrono::steady_clock::now() - began_));
}

void StationWindow::Say(const QString& text, bool loud) {
    statusLabel->setText(text);
    if (loud)
        QApplication::beep();
}

std::size_t StationWindow::IndexOf(const SlotTile* tile) const {
    return static_cast<std::size_t>(std::find(tiles_.begin(), tiles_.end(), tile) - tiles_.begin());
}

SlotTile* StationWindow::Target(bool (TileState::*fits)() const) const {
    for (SlotTile* tile : tiles_) {
        if (tile->hasFocus() && (tile->State().*fits)())
            return tile;
    }
    for (SlotTile* tile : tiles_) {
        if ((tile->State().*fits)())
            return tile;
    }
    return nullptr;
}

void StationWindow::Typed(const QString& code) {
    if (ended_)
        return;
    const QString trimmed = code.trimmed();
    // The tile that took an answer stops taking others at once: the next
    // code, typed before its slot has moved on, goes to the next tile.
    const auto taken = [](SlotTile* tile, const QString& what) {
        tile->Show({TileState::Kind::Testing, what, {}});
    };
    if (trimmed.isEmpty()) {
        if (SlotTile* tile = Target(&TileState::AwaitsConfirm)) {
            taken(tile, tr("going on"));
            return session_->Confirm(IndexOf(tile));
        }
        // A plan that needs no serial lets Enter alone go on without one.
        if (SlotTile* tile = Target(&TileState::TakesScan); tile && !setup_.plan.dut.required) {
            taken(tile, tr("going on without a serial number"));
            return session_->Scan(IndexOf(tile), {});
        }
        return;
    }
    if (SlotTile* tile = Target(&TileState::TakesScan)) {
        taken(tile, tr("checking %1").arg(trimmed));
        return session_->Scan(IndexOf(tile), trimmed.toStdString());
    }
    Say(tr("%1 was not taken: no slot waits for a serial number (scan once the board is in)")
            .arg(trimmed),
        true);
}

bool StationWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this)
        return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const Qt::KeyboardModifiers other = key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (other != Qt::NoModifier)
        return false; // Alt+S and the like
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        // Enter on the focused Stop button stops, as a button should.
        if (stopButton->hasFocus() && typing_.isEmpty()) {
            stopButton->click();
            return true;
        }
        Typed(std::exchange(typing_, QString()));
        return true;
    }
    if (key.key() == Qt::Key_Escape) {
        typing_.clear();
        return true;
    }
    const QString text = key.text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return false; // Tab, the arrows: moving between tiles
    typing_ += text;
    return true;
}

void StationWindow::closeEvent(QCloseEvent* event) {
    Stop();
    session_.reset(); // waits for the fixtures: their ports are closed
    CheckEnded();
    event->accept();
}
