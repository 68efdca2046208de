#include "app/fonts.h"

#include <QApplication>

namespace fonts {

namespace {
const QString kProportional = QStringLiteral("ＭＳ Ｐゴシック");
const QString kFixed = QStringLiteral("ＭＳ ゴシック");
const QString kIpaProportional = QStringLiteral("IPAPGothic");
const QString kIpaFixed = QStringLiteral("IPAGothic");
// The IPA fonts lack most of CJK Extension B (𠮷, U+20BB7, among them). HanaMinB (Debian's
// fonts-hanazono) has a glyph for every character of that block; it is asked only for what the
// IPA font does not have.
const QString kExtensionB = QStringLiteral("HanaMinB");

QFont make(const QString& family, const QString& ipa, QFont::StyleHint hint)
{
    QFont f(family);
    f.setFamilies({family, ipa, kExtensionB});
    f.setStyleHint(hint);
    f.setPixelSize(12);
    return f;
}
} // namespace

void install()
{
    QFont::insertSubstitutions(kProportional, {kIpaProportional, QStringLiteral("IPA Pゴシック"), kExtensionB});
    QFont::insertSubstitutions(kFixed, {kIpaFixed, QStringLiteral("IPAゴシック"), kExtensionB});
    QApplication::setFont(form());
}

QFont form()
{
    return make(kProportional, kIpaProportional, QFont::SansSerif);
}

QFont fixedPitch()
{
    return make(kFixed, kIpaFixed, QFont::Monospace);
}

} // namespace fonts
