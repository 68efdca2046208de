#pragma once
// Splits Jet SQL text into tokens: names, [bracketed names], 'strings' and "strings", numbers,
// #date literals#, operators. A real lexer so that a bracket, quote or # inside a literal never
// confuses the translation.

#include <QString>

#include <vector>

namespace sql {

struct Token {
    enum class Kind { Word, Bracketed, String, Number, Date, Symbol, End };
    Kind kind = Kind::End;
    QString text;   // Word/Symbol: as written; Bracketed/String/Date: the content without quotes
    int pos = 0;    // offset in the statement, for messages

    bool isWord(const char* w) const;     // keyword test, case-insensitive
    bool isSymbol(const char* s) const;
};

// Throws automation::Error on an unterminated string, name or date literal.
std::vector<Token> tokenize(const QString& text);

} // namespace sql
