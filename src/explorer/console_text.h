#pragma once
// The console's text rules: which line a statement is, how it is trimmed and cut, and how log
// lines are appended.

#include <QColor>
#include <QString>

class QTextEdit;

namespace console {

// The longest line the console reads, in bytes of the locale's encoding (UTF-8 here).
constexpr int kMaxLineBytes = 4096;

// The log keeps at most this many lines; older ones are dropped as new lines come in.
constexpr int kMaxLogLines = 10000;

// Removes every character with a code of 32 or lower from both ends (not other white space).
QString trimControls(const QString& text);

// The longest prefix of text whose UTF-8 form fits in maxBytes; a character is never split.
QString cutToBytes(const QString& text, int maxBytes = kMaxLineBytes);

// The line that holds the start of the selection, cut to kMaxLineBytes.
QString statementLine(const QTextEdit& edit);

// Replaces the line that holds the start of the selection; the caret ends at its end.
void replaceStatementLine(QTextEdit& edit, const QString& text);

// Inserts text at the caret in the normal text colour, replacing the selection.
void insertAtCaret(QTextEdit& edit, const QString& text);

// Appends text as the new last line (in the given colour, or the normal text colour when the
// colour is invalid) followed by a line break, leaves the caret on the fresh empty line at the
// end, scrolls down by one line and back to the left edge. When the log holds more than
// kMaxLogLines lines (the fresh one included), the oldest are removed.
void appendLine(QTextEdit& edit, const QString& text, const QColor& colour = QColor());

} // namespace console
