#pragma once

#include <functional>

#include <QObject>

class QLabel;
class QTimer;

// A window's status line: a message stays until the timer "timMsgInterval" fires 3000 ms after
// the last one, then the line goes back to its resting text ("" unless the window gives one).
class StatusLine final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusLine)

public:
    static constexpr int kIntervalMs = 3000;

    // `label` shows the text; the timer is created with `timerName` as a child of `owner`.
    StatusLine(QLabel* label, QObject* owner,
               const QString& timerName = QStringLiteral("timMsgInterval"));

    // Computes the resting text each time the line comes to rest.
    void setRestingText(std::function<QString()> restingText);

    // Shows `text` and (re)starts the timer.
    void show(const QString& text);
    // Shows `problem` unless it is empty; the timer starts either way.
    void report(const QString& problem);
    // Starts the timer without changing the text.
    void startTimer();
    // Stops the timer and shows the resting text at once.
    void rest();
    // Stops the timer and empties the line.
    void clear();

private:
    QLabel* m_label;
    QTimer* m_timer;
    std::function<QString()> m_restingText;
};
