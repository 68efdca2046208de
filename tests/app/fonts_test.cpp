// The program's fonts: the IPA fonts for the Japanese font names, and a fallback for the
// characters of CJK Extension B that the IPA fonts lack, so no such character shows as a box.

#include "app/fonts.h"

#include <QApplication>
#include <QGlyphRun>
#include <QRawFont>
#include <QRegularExpression>
#include <QTextLayout>

#include <gtest/gtest.h>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

struct Drawn {
    QString family;
    bool box = false;      // a glyph the font does not have
};

// The fonts and glyphs a text is drawn with in a font.
std::vector<Drawn> drawn(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    std::vector<Drawn> out;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        Drawn d;
        d.family = run.rawFont().familyName();
        for (quint32 glyph : run.glyphIndexes())
            d.box = d.box || glyph == 0;
        out.push_back(d);
    }
    return out;
}

} // namespace

TEST(Fonts, JapaneseNamesAreDrawnWithTheIpaFonts)
{
    const auto form = drawn(QStringLiteral("社員"), fonts::form());
    ASSERT_EQ(form.size(), 1u);
    EXPECT_EQ(form[0].family, QStringLiteral("IPAPGothic"));
    EXPECT_FALSE(form[0].box);
    const auto fixed = drawn(QStringLiteral("社員"), fonts::fixedPitch());
    ASSERT_EQ(fixed.size(), 1u);
    EXPECT_EQ(fixed[0].family, QStringLiteral("IPAGothic"));
}

TEST(Fonts, ExtensionBCharactersHaveAGlyphInEveryFont)
{
    // 𠮷 (U+20BB7, in the fixture's 社員 row 41), 𩸽 (U+29E3D), and the block's first and last
    // character (U+2A6D6 ended the block until Unicode 13 added seven more).
    const QString texts[] = {QString::fromUcs4(U"\U00020BB7"), QString::fromUcs4(U"\U00029E3D"),
                             QString::fromUcs4(U"\U00020000"), QString::fromUcs4(U"\U0002A6D6")};
    for (const QFont& font : {fonts::form(), fonts::fixedPitch(), QApplication::font()}) {
        for (const QString& text : texts) {
            SCOPED_TRACE(text.toStdString() + " in " + font.family().toStdString());
            const auto runs = drawn(QStringLiteral("吉") + text + QStringLiteral("野家"), font);
            ASSERT_FALSE(runs.empty());
            QStringList families;
            for (const Drawn& d : runs) {
                EXPECT_FALSE(d.box) << d.family.toStdString();
                families << d.family;
            }
            // The IPA font draws what it has (𩸽 among them); what it lacks comes from the fallback.
            EXPECT_FALSE(families.filter(QRegularExpression(QStringLiteral("^IPA"))).isEmpty()) << families.join(',').toStdString();
            for (const QString& f : families) {
                if (!f.startsWith(QLatin1String("IPA"))) {
                    EXPECT_EQ(f, QStringLiteral("HanaMinB"));
                }
            }
            if (text == texts[0]) {
                EXPECT_TRUE(families.contains(QStringLiteral("HanaMinB")));
            }
        }
    }
}
