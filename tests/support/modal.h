#pragma once

// Answers the modal boxes and dialogs that code under test opens, the way a
// user would: wait for the box to appear, then act on it.

#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace velmora::test {

// Waits (dispatching events) until `condition` holds or `timeoutMs` passed.
bool waitFor(const std::function<bool()> &condition, int timeoutMs = 5000);

// Arms a watcher: the next modal widget that appears is handed to `act`
// (once). Returns at once; the act runs inside the modal box's own loop.
void onNextModal(std::function<void(QWidget *)> act, int timeoutMs = 5000);

// A record of message boxes seen, filled by answerMessageBoxes().
struct SeenBox {
    QString caption;
    QString text;
    bool hasCancel = false;
};

// Answers every message box shown from now on with OK (or Cancel where
// `accept` says so) and records it in `seen`; stop() ends the watching.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(std::function<bool(const SeenBox &)> accept = {});
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer &) = delete;
    MessageBoxAnswerer &operator=(const MessageBoxAnswerer &) = delete;

    const std::vector<SeenBox> &seen() const;
    void stop();

private:
    struct State;
    State *m_state;
};

} // namespace velmora::test
