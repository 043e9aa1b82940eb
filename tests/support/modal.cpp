#include "modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <memory>

namespace velmora::test {

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void onNextModal(std::function<void(QWidget *)> act, int timeoutMs)
{
    auto *poll = new QTimer(qApp);
    auto deadline = std::make_shared<QDeadlineTimer>(timeoutMs);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act = std::move(act), deadline] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        } else if (deadline->hasExpired()) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(5);
}

struct MessageBoxAnswerer::State {
    std::function<bool(const SeenBox &)> accept;
    std::vector<SeenBox> seen;
    QTimer timer;
    QPointer<QMessageBox> answered;
};

MessageBoxAnswerer::MessageBoxAnswerer(std::function<bool(const SeenBox &)> accept)
    : m_state(new State)
{
    m_state->accept = std::move(accept);
    QObject::connect(&m_state->timer, &QTimer::timeout, &m_state->timer, [state = m_state] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box == state->answered)
            return;
        SeenBox seen { box->windowTitle(), box->text(), box->button(QMessageBox::Cancel) != nullptr };
        state->seen.push_back(seen);
        state->answered = box;
        const bool ok = !state->accept || state->accept(seen);
        QAbstractButton *button = box->button(ok ? QMessageBox::Ok : QMessageBox::Cancel);
        if (!button)
            button = box->button(QMessageBox::Ok);
        button->click();
    });
    m_state->timer.start(2);
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    delete m_state;
}

const std::vector<SeenBox> &MessageBoxAnswerer::seen() const
{
    return m_state->seen;
}

void MessageBoxAnswerer::stop()
{
    m_state->timer.stop();
}

} // namespace velmora::test
