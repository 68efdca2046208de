#include "explorer/console_text.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace console {

namespace {

QTextBlock selectionStartBlock(const QTextEdit& edit)
{
    return edit.document()->findBlock(edit.textCursor().selectionStart());
}

int utf8Length(char32_t cp)
{
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

} // namespace

QString trimControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

QString cutToBytes(const QString& text, int maxBytes)
{
    int bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        qsizetype units = 1;
        char32_t cp = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(c, text.at(i + 1));
            units = 2;
        }
        const int n = utf8Length(cp);
        if (n > maxBytes - bytes)
            break;
        bytes += n;
        i += units;
    }
    return text.left(i);
}

QString statementLine(const QTextEdit& edit)
{
    return cutToBytes(selectionStartBlock(edit).text());
}

void replaceStatementLine(QTextEdit& edit, const QString& text)
{
    const QTextBlock block = selectionStartBlock(edit);
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text, QTextCharFormat());
    edit.setTextCursor(cursor);
    edit.setCurrentCharFormat(QTextCharFormat());
}

void insertAtCaret(QTextEdit& edit, const QString& text)
{
    QTextCursor cursor = edit.textCursor();
    cursor.insertText(text, QTextCharFormat());
    edit.setTextCursor(cursor);
    edit.setCurrentCharFormat(QTextCharFormat());
}

void appendLine(QTextEdit& edit, const QString& text, const QColor& colour)
{
    QTextDocument* doc = edit.document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    // A new last line, unless the last line is still empty: then the text goes there.
    if (!cursor.block().text().isEmpty())
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    QTextCharFormat format;
    if (colour.isValid())
        format.setForeground(colour);
    cursor.insertText(text, format);
    // Every log line ends with its line break, so a statement typed at the end starts on a line
    // of its own.
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());

    if (doc->blockCount() > kMaxLogLines) {
        QTextCursor head(doc);
        head.movePosition(QTextCursor::Start);
        head.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, doc->blockCount() - kMaxLogLines);
        head.removeSelectedText();
    }

    cursor.movePosition(QTextCursor::End);
    edit.setTextCursor(cursor);
    // What the user types next is in the normal text colour again.
    edit.setCurrentCharFormat(QTextCharFormat());
    edit.ensureCursorVisible();
    edit.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    // A long line before must not leave the view scrolled sideways.
    edit.horizontalScrollBar()->setValue(edit.horizontalScrollBar()->minimum());
}

} // namespace console
