// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the console does each time the serial port has waited a moment for a
// byte (at display rate): the window repaints (the log pane shows each line
// as it comes), the user's input of that moment is thrown away, so no handler
// can start inside another, and the cursor shows busy until the handler ends.
// Escape is the one key that counts: it cancels the wait (input to a window
// let through counts too). A wait that lasts more than a second says so in
// the window title.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <chrono>
#include <functional>

class ExchangeWaitTick : public QObject {
public:
    static constexpr std::chrono::seconds kHintAfter{1};
    static constexpr char kTitleHint[] = " \u2014 waiting for the board (Esc cancels)";

    // window: whose title shows the hint; cancel: what Escape during a wait does.
    ExchangeWaitTick(QWidget& window, std::function<void()> cancel);
    ~ExchangeWaitTick() override;

    // Installed on the port as its wait-tick.
    void Tick();
    // The handler has ended or is about to ask the user: normal cursor and title again.
    void EndBusy();
    bool Busy() const { return busyCursor_; }
    // Input to this window (and its controls) still counts during a wait: a
    // window that runs a handler and locks all of itself but its Stop button
    // (the RX sweep). Null: none.
    void LetInputThrough(QWidget* window) { letThrough_ = window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowHintAfterASecond();

    QWidget& window_;
    std::function<void()> cancel_;
    bool inTick_ = false;
    bool busyCursor_ = false;
    std::chrono::steady_clock::time_point busySince_{};
    QString titleBeforeHint_; // empty while no hint shows
    QPointer<QWidget> letThrough_;
};

// Ends the busy state when a handler returns, however it returns.
class HandlerScope {
public:
    explicit HandlerScope(ExchangeWaitTick& tick) : tick_(tick) {}
    ~HandlerScope() { tick_.EndBusy(); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    ExchangeWaitTick& tick_;
};
