// Opening a database, its table tabs and the field page of the current table.

#include "app/frmmain.h"

#include "automation/object.h"
#include "dao/field_type_text.h"
#include "explorer/busy_cursor.h"
#include "explorer/data_grid.h"
#include "explorer/table_filter.h"
#include "explorer/table_tabs.h"
#include "text/valuetext.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <cstdint>
#include <utility>

using automation::Variant;

namespace {

constexpr int kImageField = 1;
constexpr int kImageKeyField = 2;

Variant item(const Variant& owner, const char* collection, int index)
{
    return automation::get(owner, QLatin1String(collection), Variant(static_cast<std::int32_t>(index)));
}

int count(const Variant& owner, const char* collection)
{
    return automation::get(automation::get(owner, QLatin1String(collection)), QStringLiteral("Count")).toInt();
}

QString name(const Variant& object)
{
    return automation::get(object, QStringLiteral("Name")).toString();
}

// Whatever width the engine reports the flags in, they are compared as a signed 32-bit value.
std::int32_t attributes32(const Variant& object)
{
    const std::int64_t v = automation::get(object, QStringLiteral("Attributes")).toInt64();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

// Holds the list's repaint off while it is refilled, and turns it back on however that ends.
class BatchUpdate {
public:
    explicit BatchUpdate(QWidget* w) : m_w(w) { m_w->setUpdatesEnabled(false); }
    ~BatchUpdate() { m_w->setUpdatesEnabled(true); }
    BatchUpdate(const BatchUpdate&) = delete;
    BatchUpdate& operator=(const BatchUpdate&) = delete;

private:
    QWidget* m_w;
};

} // namespace

void TfrmMain::lsvDatabasesDblClick(QObject*)
{
    const QList<QTreeWidgetItem*> selected = lsvDatabases->selectedItems();
    if (selected.isEmpty())
        return;
    const QTreeWidgetItem* entry = selected.first();

    if (DatabaseOpen) {
        // Let go of the old database first, so that a failing Close does not keep it for ever.
        const Variant old = std::exchange(Database, Variant());
        DatabaseOpen = false;
        automation::call(old, QStringLiteral("Close"));
    }
    lstFields->clear();
    lstTables->clear();
    DatabaseOpen = true;
    ShownTable.clear();

    const QString path = databaseEntryPath(entry);
    StatusPanel->setText(path);
    pnlDatabase->setText(entry->text(0));

    explorer::BusyCursor busy;
    try {
        Database = automation::call(Workspace, QStringLiteral("OpenDatabase"),
                                    {Variant(path), Variant::missing(), Variant(true)});
    } catch (const std::exception&) {
        DatabaseOpen = false;
        Database = Variant();
        busy.restore();
        dialogs().message(this, Dialogs::Icon::Error, QStringLiteral("ｴﾗｰ"),
                          QStringLiteral("データベースの開設に失敗しました。"));
        return;
    }

    const int tables = count(Database, "TableDefs");
    if (tables <= 0) {
        busy.restore();
        dialogs().message(this, Dialogs::Icon::Information, QStringLiteral("情報"),
                          QStringLiteral("このデータベースにテーブルはありません。"));
        return;
    }

    // Newer files mark more system tables with extra bits; an engine that cannot say which
    // format the file has keeps the whole-value test.
    tablefilter::Rule rule = tablefilter::Rule::WholeValue;
    try {
        rule = tablefilter::ruleForVersion(automation::get(Database, QStringLiteral("Version")).toString());
    } catch (const std::exception&) {
    }

    tabTables->clear();
    for (int i = 0; i < tables; ++i) {
        TableDef = item(Database, "TableDefs", i);
        if (!tablefilter::listed(attributes32(TableDef), rule))
            continue;
        const QString caption = name(TableDef);
        tabTables->addTab(caption);
        lstTables->addItem(caption);
    }
    busy.restore();
    tabTablesChange(tabTables);
}

void TfrmMain::showNoTable()
{
    // No table to show: every table was skipped, or the tabs belong to a database that is no
    // longer open. The closed database is not touched.
    lsvFields->clear();
    if (tabTables->count() == 0) {
        TableDef = Variant();
        datagrid::setColumnCount(*grdData, 2);
        datagrid::setRowCount(*grdData, 2);
        for (int c = 0; c < 2; ++c) {
            datagrid::setCell(*grdData, 0, c, QString());
            datagrid::setCell(*grdData, 1, c, QString());
        }
        ShownTable.clear();
    }
}

void TfrmMain::tabTablesChange(QObject*)
{
    const int current = tabTables->currentIndex();
    if (current < 0 || !DatabaseOpen) {
        showNoTable();
        return;
    }
    const QString caption = tabTables->tabText(current);

    explorer::BusyCursor busy;
    BatchUpdate batch(lsvFields);
    lsvFields->clear();

    bool found = false;
    const int tables = count(Database, "TableDefs");
    for (int i = 0; i < tables; ++i) {
        const Variant t = item(Database, "TableDefs", i);
        if (name(t) == caption) {
            TableDef = t;
            found = true;
            break;
        }
    }
    if (!found) {
        // Tabs left from the database before one without tables: nothing of theirs is open.
        showNoTable();
        return;
    }

    const int fields = count(TableDef, "Fields");
    datagrid::setColumnCount(*grdData, fields);
    for (int j = 0; j < fields; ++j) {
        Field = item(TableDef, "Fields", j);
        const QString fieldName = name(Field);
        auto* row = new QTreeWidgetItem(lsvFields);
        row->setText(0, fieldName);
        row->setIcon(0, ImageList1.value(kImageField));
        datagrid::setCell(*grdData, 0, j, fieldName);

        const int type = automation::get(Field, QStringLiteral("Type")).toInt();
        const int flags = type == 4 ? automation::get(Field, QStringLiteral("Attributes")).toInt() : 0;
        row->setText(1, dao::fieldTypeText(type, flags));
        row->setText(2, QString::number(automation::get(Field, QStringLiteral("Size")).toInt64()));
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);

        const int properties = count(Field, "Properties");
        for (int k = 0; k < properties; ++k) {
            FieldProperty = item(Field, "Properties", k);
            if (name(FieldProperty) == QLatin1String("Description")) {
                row->setText(3, valuetext::toText(automation::get(FieldProperty, QStringLiteral("Value"))));
                break;
            }
        }
    }

    if (count(TableDef, "Indexes") > 0) {
        Index = item(TableDef, "Indexes", 0);
        const int keys = count(Index, "Fields");
        for (int j = 0; j < keys; ++j) {
            Field = item(Index, "Fields", j);
            const QString keyName = name(Field);
            for (int r = 0; r < lsvFields->topLevelItemCount(); ++r) {
                QTreeWidgetItem* row = lsvFields->topLevelItem(r);
                if (row->text(0) == keyName) {
                    row->setIcon(0, ImageList1.value(kImageKeyField));
                    break;
                }
            }
        }
    }

    if (PageControl1->currentWidget() == TabSheet2)
        ShowTableData(caption);

    lsvFields->setHeaderHidden(false);
}

void TfrmMain::Next1Click(QObject* sender)
{
    const int tabs = tabTables->count();
    if (tabs == 0)
        return;
    const QString senderName = sender ? sender->objectName() : QString();
    const bool back = senderName == QLatin1String("Prev1") || senderName == QLatin1String("btnPrev")
                      || senderName == QLatin1String("Prev2");
    int index = tabTables->currentIndex() + (back ? -1 : 1);
    if (index < 0)
        index = tabs - 1;
    else if (index > tabs - 1)
        index = 0;
    tabTables->setCurrentIndex(index);
    tabTablesChange(tabTables);
}

void TfrmMain::Copy3Click(QObject*)
{
    const QList<QTreeWidgetItem*> selected = lsvFields->selectedItems();
    if (selected.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(selected.first()->text(0));
}
