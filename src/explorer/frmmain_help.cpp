// The usage page and the about box.

#include "app/frmmain.h"

#include "explorer/aboutbox.h"

#include <QUrl>

void TfrmMain::T1Click(QObject*)
{
    // Whatever the desktop reports about a missing page or viewer is all the user sees.
    m_dialogs->openUrl(QUrl::fromLocalFile(ProgramDirs{ExeDir, DataDir}.helpPage()));
}

void TfrmMain::btnHelpClick(QObject*)
{
    TAboutBox box(this);
    m_dialogs->exec(box);
}
