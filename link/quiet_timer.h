#pragma once

// The quiet timer (the window's 时钟1): ticks every period milliseconds while
// the period is above 0. It cuts the stream of received bytes into replies.

#include <QObject>

class QTimer;

namespace velmora {

class QuietTimer : public QObject {
    Q_OBJECT
public:
    explicit QuietTimer(QObject *parent = nullptr);

    // Negative counts as 0. The current value changes nothing (a running timer
    // keeps its next tick); another value restarts the timer with its first
    // tick ms later; 0 stops it.
    void setPeriod(int ms);
    int period() const { return m_period; }

signals:
    void tick();

private:
    QTimer *m_timer;
    int m_period = 0;
};

} // namespace velmora
