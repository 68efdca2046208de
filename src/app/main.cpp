// Norvik Tabulon: a read-only browser for JET databases.

#include "app/dialogs.h"
#include "app/fonts.h"
#include "app/frminit.h"
#include "app/frmmain.h"
#include "app/program_dirs.h"
#include "app/qt_translations.h"
#include "automation/registry.h"
#include "dao/engine_registration.h"
#include "report/frmreport.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QTimer>

namespace {
void quietMessages(QtMsgType, const QMessageLogContext&, const QString&) {}
} // namespace

int main(int argc, char* argv[])
{
    const QByteArray screenshot = qgetenv("TABULON_SCREENSHOT");
    if (!screenshot.isEmpty())
        qInstallMessageHandler(quietMessages);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("norvik-tabulon"));
    QGuiApplication::setDesktopFileName(QStringLiteral("norvik-tabulon"));
    fonts::install();
    // Qt's dialogs in the user's language; the program's own texts are Japanese as they stand.
    qttranslations::install(app, QLocale::system());

    dao::registerEngine(automation::Registry::global());

    QtDialogs dialogs;
    TfrmMain::Environment env;
    env.dirs = ProgramDirs::forRunningProgram();
    env.dialogs = &dialogs;
    env.registry = &automation::Registry::global();

    // The three windows, in this order; the engine check exists before the deferred start runs.
    TfrmMain frmMain(env);
    TfrmReport frmReport;
    TfrmInit frmInit(automation::Registry::global(), &frmMain);
    frmMain.setInitForm(&frmInit);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frmMain.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        frmMain.move(frame.topLeft());
    }
    frmMain.show();

    if (!screenshot.isEmpty()) {
        QTimer::singleShot(1500, &frmMain, [&frmMain, path = QString::fromLocal8Bit(screenshot)] {
            frmMain.grab().save(path);
            QCoreApplication::exit(0);
        });
    }
    return app.exec();
}
