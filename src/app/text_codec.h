#pragma once
// Text files the program shares with the original Windows program: written as UTF-8, and read as
// CP932 when they are not valid UTF-8 (lists and settings written on a Japanese Windows system).

#include <QByteArray>
#include <QString>

namespace textcodec {

bool isValidUtf8(const QByteArray& bytes);

struct Decoded {
    QString text;
    bool cp932 = false;     // the bytes were not UTF-8 and were read as CP932
    bool lossy = false;     // some bytes are valid in neither
};
Decoded decode(const QByteArray& bytes);

// CP932 bytes of text; nullopt-like empty result with ok=false when a character has no CP932 form.
QByteArray encodeCp932(const QString& text, bool* ok);

} // namespace textcodec
