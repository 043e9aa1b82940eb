#pragma once

#include <QPlainTextEdit>

namespace velmora {

// The multi-line feedback box: it holds at most maxLength() characters,
// counting a line break as the two characters CR LF, whether text is typed,
// pasted or appended by the program. Text that does not fit is cut off.
//
// Appended text reaches the document once per pass of the event loop, in
// one insertion: laying out a long line again for every received byte
// would not keep up with the serial line. length() and text() include the
// text still waiting.
class FeedbackBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit FeedbackBox(int maxLength, QWidget *parent = nullptr);

    int maxLength() const { return m_maxLength; }
    // The text length in characters, line breaks counted as CR LF.
    int length() const;
    // The text with CR LF line breaks.
    QString text() const;

    // Places text after the last character (CR LF, LF or CR start a new
    // line) and scrolls so that the end is visible.
    void appendText(const QString &text);
    void clearText();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // How many characters of `text` fit after removing the selection.
    QString fitting(const QString &text, int removed) const;
    int documentLength() const;
    void flushPending();

    int m_maxLength;
    QString m_pending; // appended, not yet in the document (LF breaks)
    int m_pendingLength = 0; // its length with CR LF breaks
};

} // namespace velmora
