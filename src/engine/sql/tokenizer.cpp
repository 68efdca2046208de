#include "sql/tokenizer.h"

#include "automation/error.h"

namespace sql {

bool Token::isWord(const char* w) const
{
    return kind == Kind::Word && text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
}

bool Token::isSymbol(const char* s) const
{
    return kind == Kind::Symbol && text == QLatin1String(s);
}

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_' || c.unicode() >= 0x80;
}

bool isWordChar(QChar c)
{
    return isWordStart(c) || c.isDigit();
}

[[noreturn]] void fail(const QString& what, int pos)
{
    throw automation::Error(QStringLiteral("Syntax error: %1 at position %2.").arg(what, QString::number(pos + 1)));
}

} // namespace

std::vector<Token> tokenize(const QString& s)
{
    std::vector<Token> out;
    const int n = int(s.size());
    int i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace() || c.unicode() < 32) { ++i; continue; }
        Token t;
        t.pos = i;
        if (c == u'[') {
            const int end = int(s.indexOf(u']', i + 1));
            if (end < 0) fail(QStringLiteral("missing ] of a name"), i);
            t.kind = Token::Kind::Bracketed;
            t.text = s.mid(i + 1, end - i - 1);
            i = end + 1;
        } else if (c == u'\'' || c == u'"') {
            // A doubled quote inside the literal stands for one quote.
            QString v;
            int j = i + 1;
            for (;;) {
                if (j >= n) fail(QStringLiteral("unterminated text literal"), i);
                if (s[j] == c) {
                    if (j + 1 < n && s[j + 1] == c) { v += c; j += 2; continue; }
                    break;
                }
                v += s[j++];
            }
            t.kind = Token::Kind::String;
            t.text = v;
            i = j + 1;
        } else if (c == u'#') {
            const int end = int(s.indexOf(u'#', i + 1));
            if (end < 0) fail(QStringLiteral("unterminated date literal"), i);
            t.kind = Token::Kind::Date;
            t.text = s.mid(i + 1, end - i - 1).trimmed();
            i = end + 1;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            int j = i;
            while (j < n && s[j].isDigit()) ++j;
            if (j < n && s[j] == u'.') { ++j; while (j < n && s[j].isDigit()) ++j; }
            if (j < n && (s[j] == u'e' || s[j] == u'E')) {
                int k = j + 1;
                if (k < n && (s[k] == u'+' || s[k] == u'-')) ++k;
                if (k < n && s[k].isDigit()) {
                    j = k;
                    while (j < n && s[j].isDigit()) ++j;
                }
            }
            t.kind = Token::Kind::Number;
            t.text = s.mid(i, j - i);
            i = j;
        } else if (c == u'&' && i + 1 < n && (s[i + 1] == u'H' || s[i + 1] == u'h')
                   && i + 2 < n && isxdigit(s[i + 2].toLatin1())) {
            int j = i + 2;
            while (j < n && s[j].unicode() < 128 && isxdigit(s[j].toLatin1())) ++j;
            bool ok = false;
            const qlonglong v = s.mid(i + 2, j - i - 2).toLongLong(&ok, 16);
            if (!ok) fail(QStringLiteral("bad hexadecimal number"), i);
            t.kind = Token::Kind::Number;
            t.text = QString::number(v);
            i = j;
        } else if (isWordStart(c)) {
            int j = i + 1;
            while (j < n && isWordChar(s[j])) ++j;
            if (j < n && s[j] == u'$') ++j;   // Left$, Mid$: the string-typed twins
            t.kind = Token::Kind::Word;
            t.text = s.mid(i, j - i);
            i = j;
        } else {
            static const char* const two[] = {"<>", "<=", ">=", "!=", "=<", "=>"};
            t.kind = Token::Kind::Symbol;
            t.text = QString(c);
            for (const char* op : two) {
                if (i + 1 < n && s[i] == QLatin1Char(op[0]) && s[i + 1] == QLatin1Char(op[1])) {
                    t.text = QLatin1String(op);
                    break;
                }
            }
            if (t.text == QLatin1String("=<")) t.text = QStringLiteral("<=");
            if (t.text == QLatin1String("=>")) t.text = QStringLiteral(">=");
            static const QString allowed = QStringLiteral("()+-*/\\^&=<>,.;!?:");
            if (t.text.size() == 1 && !allowed.contains(c))
                fail(QStringLiteral("unexpected character '%1'").arg(c), i);
            i += int(t.text.size());
        }
        out.push_back(std::move(t));
    }
    Token end;
    end.pos = n;
    out.push_back(end);
    return out;
}

} // namespace sql
