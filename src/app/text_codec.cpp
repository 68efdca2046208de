#include "app/text_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace textcodec {

namespace {
// ICU knows the Windows code page under several names; take the first this Qt build has.
const char* cp932Name()
{
    static const char* const name = [] {
        for (const char* candidate : {"windows-31j", "CP932", "Shift_JIS"}) {
            if (QStringDecoder(candidate).isValid())
                return candidate;
        }
        return static_cast<const char*>(nullptr);
    }();
    return name;
}
} // namespace

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);   // the result converts lazily: force it
    return !decoder.hasError();
}

Decoded decode(const QByteArray& bytes)
{
    Decoded result;
    {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError()) {
            result.text = std::move(text);
            return result;
        }
    }
    result.cp932 = true;
    if (const char* name = cp932Name()) {
        QStringDecoder sjis(name, QStringDecoder::Flag::Stateless);
        result.text = sjis.decode(bytes);
        result.lossy = sjis.hasError() || result.text.contains(QChar::ReplacementCharacter);
    } else {
        result.text = QString::fromLatin1(bytes);
        result.lossy = true;
    }
    return result;
}

QByteArray encodeCp932(const QString& text, bool* ok)
{
    const char* name = cp932Name();
    if (!name) {
        *ok = false;
        return {};
    }
    QStringEncoder encoder(name, QStringEncoder::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    *ok = !encoder.hasError();
    return bytes;
}

} // namespace textcodec
