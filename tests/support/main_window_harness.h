#pragma once
// A main window in a temporary program directory, with scripted dialogs and a registry of its
// own, for GUI tests.

#include "app/frminit.h"
#include "app/frmmain.h"
#include "report/frmreport.h"
#include "automation/registry.h"
#include "scripted_dialogs.h"

#include "automation/object.h"

#include <QFile>
#include <QTimer>
#include <QTemporaryDir>

#include <memory>

struct MainWindowHarness {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    automation::Registry registry;
    std::unique_ptr<TfrmInit> init;
    std::unique_ptr<TfrmMain> main;
    std::unique_ptr<TfrmReport> report;

    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }

    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }

    QByteArray readFile(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Creates the windows as the program does: main window first, then the engine check.
    TfrmMain& start()
    {
        TfrmMain::Environment env;
        env.dirs.exeDir = dir.path() + QLatin1Char('/');
        env.dirs.dataDir = env.dirs.exeDir;
        env.dialogs = &dialogs;
        env.registry = &registry;
        main = std::make_unique<TfrmMain>(env);
        report = std::make_unique<TfrmReport>();
        main->setReportForm(report.get());
        init = std::make_unique<TfrmInit>(registry);
        init->setPauseMs(0);
        main->setInitForm(init.get());
        return *main;
    }

    // The deferred start, as the timer runs it.
    void runDeferredStart() { main->runHandler([this] { main->tmrDefaultTimer(); }); }

    // Ends the program the way the main window does (saves the list).
    void finish() { main.reset(); }

    ~MainWindowHarness()
    {
        main.reset();
        init.reset();
        report.reset();
    }
};
