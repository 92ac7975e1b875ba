#pragma once
// What the console does each time the serial port has waited a moment for a
// byte: the window repaints (the log pane shows each line as it comes), the
// user's input of that moment is thrown away, so no handler can start inside
// another, and the cursor shows busy until the handler ends.

#include <QObject>

class ExchangeWaitTick : public QObject {
public:
    using QObject::QObject;
    ~ExchangeWaitTick() override;

    // Installed on the port as its wait-tick.
    void Tick();
    // The handler has ended or is about to ask the user: normal cursor again.
    void EndBusy();
    bool Busy() const { return busyCursor_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool inTick_ = false;
    bool busyCursor_ = false;
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
