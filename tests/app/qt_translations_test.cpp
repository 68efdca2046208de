// Qt's own dialogs follow the locale: a Japanese user's file dialog, print dialog and message box
// buttons are in Japanese; the program's own texts stay as they are; no translation, no change.

#include "app/dialogs.h"
#include "app/qt_translations.h"
#include "app/frmoption.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Installs the translation for a locale for one test and removes it afterwards.
struct Translated {
    QTranslator* translator;
    explicit Translated(const QLocale& locale) : translator(qttranslations::install(*qApp, locale)) {}
    ~Translated()
    {
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
};

QString buttonText(QDialogButtonBox::StandardButton which)
{
    QDialogButtonBox box(which);
    return box.button(which)->text();
}

QStringList labelTexts(const QWidget& w)
{
    QStringList out;
    for (const QLabel* l : w.findChildren<QLabel*>())
        out << l->text();
    return out;
}

} // namespace

TEST(QtTranslations, AJapaneseLocaleTranslatesQtsDialogs)
{
    Translated t(QLocale(QLocale::Japanese, QLocale::Japan));
    ASSERT_NE(t.translator, nullptr) << "qtbase_ja.qm missing (Debian qt6-translations-l10n)";
    EXPECT_EQ(buttonText(QDialogButtonBox::Cancel), QStringLiteral("キャンセル"));
    EXPECT_EQ(buttonText(QDialogButtonBox::Open), QStringLiteral("開く"));
    EXPECT_EQ(buttonText(QDialogButtonBox::Ok), QStringLiteral("OK"));
    EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("印刷"));

    // Qt's own open dialog (not the desktop's): its labels are Japanese.
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QStringList labels = labelTexts(dialog);
    EXPECT_TRUE(labels.contains(QStringLiteral("アドレス:"))) << labels.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(labels.contains(QStringLiteral("Look in:")));

    // The program's own dialog keeps its texts.
    TfrmOption option;
    const QStringList own = [&] {
        QStringList texts;
        for (const QAbstractButton* b : option.findChildren<QAbstractButton*>())
            texts << b->text();
        return texts;
    }();
    EXPECT_TRUE(own.contains(QStringLiteral("ｷｬﾝｾﾙ"))) << own.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(own.contains(QStringLiteral("キャンセル")));
}

TEST(QtTranslations, ALanguageQtHasNoTranslationForKeepsEnglish)
{
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Icelandic, QLocale::Iceland)}) {
        SCOPED_TRACE(locale.name().toStdString());
        Translated t(locale);
        EXPECT_EQ(t.translator, nullptr);
        EXPECT_EQ(buttonText(QDialogButtonBox::Cancel), QStringLiteral("Cancel"));
    }
    // The language alone is enough; the country does not matter.
    Translated t(QLocale(QLocale::Japanese, QLocale::UnitedStates));
    EXPECT_NE(t.translator, nullptr);
    EXPECT_EQ(buttonText(QDialogButtonBox::Cancel), QStringLiteral("キャンセル"));
}
