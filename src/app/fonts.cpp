#include "app/fonts.h"

#include <QApplication>

namespace fonts {

namespace {
const QString kProportional = QStringLiteral("ＭＳ Ｐゴシック");
const QString kFixed = QStringLiteral("ＭＳ ゴシック");

QFont make(const QString& family, const QString& fallback, QFont::StyleHint hint)
{
    QFont f(family);
    f.setFamilies({family, fallback});
    f.setStyleHint(hint);
    f.setPixelSize(12);
    return f;
}
} // namespace

void install()
{
    QFont::insertSubstitutions(kProportional, {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック")});
    QFont::insertSubstitutions(kFixed, {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック")});
    QApplication::setFont(form());
}

QFont form()
{
    return make(kProportional, QStringLiteral("IPAPGothic"), QFont::SansSerif);
}

QFont fixedPitch()
{
    return make(kFixed, QStringLiteral("IPAGothic"), QFont::Monospace);
}

} // namespace fonts
