#include "reportengine/emf/emf_fonts.h"

#include <QHash>

#include <mutex>

namespace emf {

namespace {
const QHash<QString, QString>& substitutes()
{
    static const QHash<QString, QString> map = {
        {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")},
        {QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic")},
        {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic")},
        {QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic")},
        {QStringLiteral("ＭＳ ＵＩ ゴシック"), QStringLiteral("IPAPGothic")},
        {QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic")},
        {QStringLiteral("メイリオ"), QStringLiteral("IPAPGothic")},
        {QStringLiteral("Meiryo"), QStringLiteral("IPAPGothic")},
        {QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho")},
        {QStringLiteral("MS Mincho"), QStringLiteral("IPAMincho")},
        {QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho")},
        {QStringLiteral("MS PMincho"), QStringLiteral("IPAPMincho")},
    };
    return map;
}
} // namespace

QString substituteFamily(const QString& face)
{
    return substitutes().value(face.trimmed());
}

void installFontSubstitutions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (auto it = substitutes().cbegin(); it != substitutes().cend(); ++it) {
            if (QFont::substitutes(it.key()).isEmpty())
                QFont::insertSubstitution(it.key(), it.value());
        }
    });
}

QFont fontForFace(const QString& face, std::uint8_t pitchAndFamily)
{
    const bool fixed = (pitchAndFamily & 3) == 1;
    const int family = pitchAndFamily & 0xF0;
    QString generic = QStringLiteral("Sans Serif");
    QFont::StyleHint hint = QFont::SansSerif;
    if (fixed || family == 0x30) {
        generic = QStringLiteral("Monospace");
        hint = QFont::Monospace;
    } else if (family == 0x10) {
        generic = QStringLiteral("Serif");
        hint = QFont::Serif;
    }
    QStringList families;
    if (!face.isEmpty())
        families << face;
    const QString substitute = substituteFamily(face);
    if (!substitute.isEmpty())
        families << substitute;
    families << generic;
    QFont f;
    f.setFamilies(families);
    f.setStyleHint(hint);
    return f;
}

} // namespace emf
