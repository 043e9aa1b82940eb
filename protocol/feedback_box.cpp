#include "protocol/feedback_box.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace velmora {

namespace {

// Counts as the box counts: CR LF, a lone LF or a lone CR are each one line
// break of two characters.
int crlfLength(const QString &text)
{
    int length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        length += (text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r')) ? 2 : 1;
    }
    return length;
}

QString normalisedBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

FeedbackBox::FeedbackBox(int maxLength, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_maxLength(maxLength)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);
}

int FeedbackBox::documentLength() const
{
    // characterCount() includes one separator per block and a final one.
    const QTextDocument *doc = document();
    return doc->characterCount() - 1 + (doc->blockCount() - 1);
}

int FeedbackBox::length() const
{
    return documentLength() + m_pendingLength;
}

QString FeedbackBox::text() const
{
    QString all = toPlainText() + m_pending;
    return all.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString FeedbackBox::fitting(const QString &text, int removed) const
{
    int room = m_maxLength - (length() - removed);
    if (room <= 0)
        return {};
    // The receive path: a byte text without line breaks that fits.
    if (text.size() <= room && !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    const QString plain = normalisedBreaks(text);
    qsizetype take = 0;
    for (; take < plain.size(); ++take) {
        const int cost = plain[take] == QLatin1Char('\n') ? 2 : 1;
        if (cost > room)
            break;
        room -= cost;
    }
    return plain.left(take);
}

void FeedbackBox::appendText(const QString &text)
{
    const QString piece = fitting(text, 0);
    if (piece.isEmpty())
        return;
    if (m_pending.isEmpty())
        QMetaObject::invokeMethod(this, &FeedbackBox::flushPending, Qt::QueuedConnection);
    m_pending += piece;
    m_pendingLength += crlfLength(piece);
}

void FeedbackBox::flushPending()
{
    if (m_pending.isEmpty())
        return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(m_pending);
    m_pending.clear();
    m_pendingLength = 0;
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void FeedbackBox::clearText()
{
    m_pending.clear();
    m_pendingLength = 0;
    clear();
}

void FeedbackBox::keyPressEvent(QKeyEvent *event)
{
    flushPending();
    const QString typed = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter
        ? QStringLiteral("\n")
        : event->text();
    const bool inserts = !typed.isEmpty() && (typed[0].isPrint() || typed[0] == QLatin1Char('\n'));
    if (inserts && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const int removed = crlfLength(textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n'));
        if (fitting(typed, removed).size() < typed.size())
            return; // full: the key does nothing
    }
    QPlainTextEdit::keyPressEvent(event);
}

void FeedbackBox::insertFromMimeData(const QMimeData *source)
{
    flushPending();
    if (!source->hasText())
        return;
    const int removed = crlfLength(textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n'));
    const QString piece = fitting(source->text(), removed);
    textCursor().insertText(piece);
}

} // namespace velmora
