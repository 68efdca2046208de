// The database list of the main window: load and save, adding, removing and copying entries.

#include "app/frmmain.h"

#include "explorer/database_list.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QTreeWidget>

namespace {
constexpr int kRawRole = Qt::UserRole + 1;   // the line's bytes when they could not be decoded
}

void TfrmMain::addDatabaseEntry(const QString& path)
{
    const dblist::PathParts parts = dblist::splitPath(path);
    auto* item = new QTreeWidgetItem(lsvDatabases);
    item->setText(0, parts.fileName);
    item->setText(1, parts.directory);
    item->setIcon(0, ImageList1.value(0));
    item->setToolTip(0, path);
}

QString TfrmMain::databaseEntryPath(const QTreeWidgetItem* item) const
{
    return item->text(1) + item->text(0);
}

void TfrmMain::loadDatabaseList()
{
    const QString file = databaseListPath();
    const dblist::LoadResult result = dblist::load(file);
    if (!result.exists)
        return;
    if (!result.readable) {
        // Keep the file as it is: the list of this run is not written over it.
        m_listLoadFailed = true;
        m_dialogs->message(nullptr, Dialogs::Icon::Error, QStringLiteral("ｴﾗｰ"),
                           QStringLiteral("%1 を読み込めません (%2)。\r今回の一覧は保存されません。")
                               .arg(QDir::toNativeSeparators(file), result.error));
        return;
    }
    for (const dblist::Entry& entry : result.entries) {
        addDatabaseEntry(entry.path);
        if (!entry.raw.isNull())
            lsvDatabases->topLevelItem(lsvDatabases->topLevelItemCount() - 1)->setData(0, kRawRole, entry.raw);
    }
    if (!result.undecodable.isEmpty()) {
        QStringList numbers;
        for (int n : result.undecodable)
            numbers << QString::number(n);
        m_dialogs->message(nullptr, Dialogs::Icon::Error, QStringLiteral("ｴﾗｰ"),
                           QStringLiteral("%1 の %2 行目に読めない文字があります。\r"
                                          "その行は読み込んだままの内容で保存されます。")
                               .arg(QDir::toNativeSeparators(file), numbers.join(QStringLiteral(", "))));
    }
}

void TfrmMain::saveDatabaseList()
{
    if (m_listLoadFailed)
        return;
    std::vector<dblist::Entry> entries;
    for (int i = 0; i < lsvDatabases->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lsvDatabases->topLevelItem(i);
        dblist::Entry entry;
        entry.path = databaseEntryPath(item);
        entry.raw = item->data(0, kRawRole).toByteArray();
        entries.push_back(std::move(entry));
    }
    const QString file = databaseListPath();
    QString error;
    if (!dblist::save(file, entries, &error))
        throw std::runtime_error(QStringLiteral("%1 に書き込めません").arg(file).toStdString());
}

void TfrmMain::btnOpenClick(QObject*)
{
    Dialogs::OpenFileRequest request;
    request.filter = QStringLiteral("JETﾃﾞｰﾀﾍﾞｰｽ (*.mdb)|*.mdb|すべてのﾌｧｲﾙ (*.*)|*.*");
    request.defaultSuffix = QStringLiteral("mdb");
    request.multiple = true;
    for (const QString& path : m_dialogs->openFileNames(this, request))
        addDatabaseEntry(path);
}

void TfrmMain::dropFiles(const QStringList& paths)
{
    // Full paths, however long; a folder is listed under its own name.
    for (const QString& path : paths) {
        QString p = path;
        while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
            p.chop(1);
        addDatabaseEntry(p);
    }
}

void TfrmMain::btnDeleteClick(QObject*)
{
    const QList<QTreeWidgetItem*> selected = lsvDatabases->selectedItems();
    if (selected.isEmpty())
        return;
    delete selected.first();
    // The view would select a neighbour; a second delete must not remove an entry nobody chose.
    lsvDatabases->selectionModel()->clear();
}

void TfrmMain::Copy1Click(QObject* sender)
{
    const QList<QTreeWidgetItem*> selected = lsvDatabases->selectedItems();
    if (selected.isEmpty())
        return;
    const QTreeWidgetItem* item = selected.first();
    const QString name = sender ? sender->objectName() : QString();
    const bool fileNameOnly = name == QLatin1String("Copy1") || name == QLatin1String("btnCopy1")
                              || name == QLatin1String("Copy4");
    QGuiApplication::clipboard()->setText(fileNameOnly ? item->text(0) : databaseEntryPath(item));
}
