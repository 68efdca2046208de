#include "support/fake_dao.h"

#include <QRegularExpression>

namespace fakedao {

using automation::Error;
using automation::Invoke;
using automation::ObjectRef;
using automation::Variant;

namespace {

int defaultSize(int type)
{
    switch (type) {
    case dbBoolean: case dbByte: return 1;
    case dbInteger: return 2;
    case dbLong: case dbSingle: return 4;
    case dbCurrency: case dbDouble: case dbDate: case dbBigInt: return 8;
    case dbText: return 50;
    case dbBinary: return 255;
    case dbGUID: case dbDecimal: return 16;
    default: return 0;   // memo, OLE
    }
}

Variant integer(int v) { return Variant(static_cast<std::int32_t>(v)); }

class FakeObject : public automation::DispatchObject {
public:
    FakeObject(std::shared_ptr<Server> server, QString kind) : m_server(std::move(server)), m_kind(std::move(kind)) {}

    Variant invoke(const QString& member, Invoke kind, std::span<const Variant> args) override
    {
        m_server->enter(m_kind, member);
        return DispatchObject::invoke(member, kind, args);
    }

protected:
    std::shared_ptr<Server> m_server;
    QString m_kind;
};

// Count and Item(i); the owning member answers both "X" and "X(i)".
class Collection : public FakeObject {
public:
    Collection(std::shared_ptr<Server> server, std::vector<ObjectRef> items, QStringList names)
        : FakeObject(std::move(server), QStringLiteral("Collection")), m_items(std::move(items)), m_names(std::move(names))
    {
        addMember(QStringLiteral("Count"), [this](Invoke, std::span<const Variant>) { return integer(static_cast<int>(m_items.size())); });
        addMember(QStringLiteral("Item"), [this](Invoke, std::span<const Variant> args) {
            if (args.size() != 1)
                throw Error(QStringLiteral("Invalid number of parameters for Item."));
            return item(args[0]);
        });
    }

    Variant item(const Variant& key) const
    {
        if (const QString* name = key.get<QString>()) {
            for (qsizetype i = 0; i < m_names.size(); ++i) {
                if (m_names[i].compare(*name, Qt::CaseInsensitive) == 0)
                    return Variant(m_items[static_cast<std::size_t>(i)]);
            }
            throw Error(QStringLiteral("Item not found in this collection."));
        }
        const int i = key.toInt();
        if (i < 0 || static_cast<std::size_t>(i) >= m_items.size())
            throw Error(QStringLiteral("Item not found in this collection."));
        return Variant(m_items[static_cast<std::size_t>(i)]);
    }

private:
    std::vector<ObjectRef> m_items;
    QStringList m_names;
};

Variant collectionMember(const std::shared_ptr<Collection>& c, std::span<const Variant> args)
{
    if (args.empty())
        return Variant(ObjectRef(c));
    if (args.size() != 1)
        throw Error(QStringLiteral("Invalid number of parameters."));
    return c->item(args[0]);
}

class PropertyObject : public FakeObject {
public:
    PropertyObject(std::shared_ptr<Server> s, Property p) : FakeObject(std::move(s), QStringLiteral("Property")), m_p(std::move(p))
    {
        addMember(QStringLiteral("Name"), [this](Invoke, std::span<const Variant>) { return Variant(m_p.name); });
        addMember(QStringLiteral("Value"), [this](Invoke, std::span<const Variant>) { return m_p.value; });
    }

private:
    Property m_p;
};

class FieldObject : public FakeObject {
public:
    FieldObject(std::shared_ptr<Server> s, FieldDef f) : FakeObject(std::move(s), QStringLiteral("Field")), m_f(std::move(f))
    {
        addMember(QStringLiteral("Name"), [this](Invoke, std::span<const Variant>) { return Variant(m_f.name); });
        addMember(QStringLiteral("Type"), [this](Invoke, std::span<const Variant>) { return Variant(static_cast<std::int16_t>(m_f.type)); });
        addMember(QStringLiteral("Size"), [this](Invoke, std::span<const Variant>) { return integer(m_f.size); });
        addMember(QStringLiteral("Attributes"), [this](Invoke, std::span<const Variant>) { return integer(m_f.attributes); });
        addMember(QStringLiteral("Properties"), [this](Invoke, std::span<const Variant> args) {
            std::vector<ObjectRef> items;
            QStringList names;
            for (const Property& p : m_f.properties) {
                items.push_back(std::make_shared<PropertyObject>(m_server, p));
                names << p.name;
            }
            return collectionMember(std::make_shared<Collection>(m_server, std::move(items), names), args);
        });
    }

private:
    FieldDef m_f;
};

class IndexObject : public FakeObject {
public:
    IndexObject(std::shared_ptr<Server> s, IndexDef index, const TableDef& table)
        : FakeObject(std::move(s), QStringLiteral("Index")), m_index(std::move(index))
    {
        for (const QString& name : m_index.fields) {
            for (const FieldDef& f : table.fields) {
                if (f.name == name)
                    m_fields.push_back(f);
            }
        }
        addMember(QStringLiteral("Name"), [this](Invoke, std::span<const Variant>) { return Variant(m_index.name); });
        addMember(QStringLiteral("Primary"), [this](Invoke, std::span<const Variant>) { return Variant(m_index.primary); });
        addMember(QStringLiteral("Fields"), [this](Invoke, std::span<const Variant> args) {
            std::vector<ObjectRef> items;
            for (const FieldDef& f : m_fields)
                items.push_back(std::make_shared<FieldObject>(m_server, f));
            return collectionMember(std::make_shared<Collection>(m_server, std::move(items), m_index.fields), args);
        });
    }

private:
    IndexDef m_index;
    std::vector<FieldDef> m_fields;
};

class TableDefObject : public FakeObject {
public:
    TableDefObject(std::shared_ptr<Server> s, TableDef t) : FakeObject(std::move(s), QStringLiteral("TableDef")), m_t(std::move(t))
    {
        addMember(QStringLiteral("Name"), [this](Invoke, std::span<const Variant>) { return Variant(m_t.name); });
        addMember(QStringLiteral("Attributes"), [this](Invoke, std::span<const Variant>) { return integer(m_t.attributes); });
        addMember(QStringLiteral("RecordCount"), [this](Invoke, std::span<const Variant>) { return integer(static_cast<int>(m_t.rows.size())); });
        addMember(QStringLiteral("Fields"), [this](Invoke, std::span<const Variant> args) {
            std::vector<ObjectRef> items;
            QStringList names;
            for (const FieldDef& f : m_t.fields) {
                items.push_back(std::make_shared<FieldObject>(m_server, f));
                names << f.name;
            }
            return collectionMember(std::make_shared<Collection>(m_server, std::move(items), names), args);
        });
        addMember(QStringLiteral("Indexes"), [this](Invoke, std::span<const Variant> args) {
            std::vector<ObjectRef> items;
            QStringList names;
            for (const IndexDef& i : m_t.indexes) {
                items.push_back(std::make_shared<IndexObject>(m_server, i, m_t));
                names << i.name;
            }
            return collectionMember(std::make_shared<Collection>(m_server, std::move(items), names), args);
        });
    }

private:
    TableDef m_t;
};

class RecordsetField : public FakeObject {
public:
    RecordsetField(std::shared_ptr<Server> s, QString name, Variant value)
        : FakeObject(std::move(s), QStringLiteral("RecordsetField")), m_name(std::move(name)), m_value(std::move(value))
    {
        addMember(QStringLiteral("Name"), [this](Invoke, std::span<const Variant>) { return Variant(m_name); });
        addMember(QStringLiteral("Value"), [this](Invoke, std::span<const Variant>) { return m_value; });
    }

private:
    QString m_name;
    Variant m_value;
};

class RecordsetObject : public FakeObject {
public:
    RecordsetObject(std::shared_ptr<Server> s, QStringList columns, std::vector<Row> rows)
        : FakeObject(std::move(s), QStringLiteral("Recordset")), m_columns(std::move(columns)), m_rows(std::move(rows))
    {
        ++m_server->openRecordsets;
        addMember(QStringLiteral("EOF"), [this](Invoke, std::span<const Variant>) { check(); return Variant(m_pos >= m_rows.size()); });
        addMember(QStringLiteral("BOF"), [this](Invoke, std::span<const Variant>) { check(); return Variant(m_rows.empty()); });
        addMember(QStringLiteral("MoveFirst"), [this](Invoke, std::span<const Variant>) {
            check();
            if (m_rows.empty())
                throw Error(QStringLiteral("No current record."));
            m_pos = 0;
            return Variant();
        });
        addMember(QStringLiteral("MoveNext"), [this](Invoke, std::span<const Variant>) {
            check();
            if (m_pos >= m_rows.size())
                throw Error(QStringLiteral("No current record."));
            ++m_pos;
            return Variant();
        });
        addMember(QStringLiteral("Close"), [this](Invoke, std::span<const Variant>) {
            check();
            m_closed = true;
            --m_server->openRecordsets;
            return Variant();
        });
        addMember(QStringLiteral("Fields"), [this](Invoke, std::span<const Variant> args) {
            check();
            std::vector<ObjectRef> items;
            for (qsizetype i = 0; i < m_columns.size(); ++i) {
                Variant value;
                if (m_pos < m_rows.size() && static_cast<std::size_t>(i) < m_rows[m_pos].size())
                    value = m_rows[m_pos][static_cast<std::size_t>(i)];
                items.push_back(std::make_shared<RecordsetField>(m_server, m_columns[i], value));
            }
            return collectionMember(std::make_shared<Collection>(m_server, std::move(items), m_columns), args);
        });
    }
    ~RecordsetObject() override
    {
        if (!m_closed)
            --m_server->openRecordsets;
    }

private:
    void check() const
    {
        if (m_closed)
            throw Error(QStringLiteral("Object invalid or no longer set."));
    }
    QStringList m_columns;
    std::vector<Row> m_rows;
    std::size_t m_pos = 0;
    bool m_closed = false;
};

class DatabaseObject : public FakeObject {
public:
    DatabaseObject(std::shared_ptr<Server> s, DatabaseDef db) : FakeObject(std::move(s), QStringLiteral("Database")), m_db(std::move(db))
    {
        ++m_server->openDatabases;
        addMember(QStringLiteral("Name"), [this](Invoke, std::span<const Variant>) { check(); return Variant(m_db.path); });
        if (!m_db.version.isEmpty())
            addMember(QStringLiteral("Version"), [this](Invoke, std::span<const Variant>) { check(); return Variant(m_db.version); });
        addMember(QStringLiteral("Close"), [this](Invoke, std::span<const Variant>) {
            check();
            m_closed = true;
            --m_server->openDatabases;
            return Variant();
        });
        addMember(QStringLiteral("TableDefs"), [this](Invoke, std::span<const Variant> args) {
            check();
            std::vector<ObjectRef> items;
            QStringList names;
            for (const TableDef& t : m_db.tables) {
                items.push_back(std::make_shared<TableDefObject>(m_server, t));
                names << t.name;
            }
            return collectionMember(std::make_shared<Collection>(m_server, std::move(items), names), args);
        });
        addMember(QStringLiteral("OpenRecordset"), [this](Invoke, std::span<const Variant> args) {
            check();
            if (args.empty())
                throw Error(QStringLiteral("Invalid number of parameters for OpenRecordset."));
            const QString sql = args[0].toString();
            m_server->lastSql = sql;
            return openRecordset(sql);
        });
    }
    ~DatabaseObject() override
    {
        if (!m_closed)
            --m_server->openDatabases;
    }

private:
    Variant openRecordset(const QString& sql)
    {
        if (const auto it = m_db.queries.constFind(sql); it != m_db.queries.constEnd()) {
            if (!it->error.isEmpty())
                throw Error(it->error);
            return Variant(ObjectRef(std::make_shared<RecordsetObject>(m_server, it->columns, it->rows)));
        }
        static const QRegularExpression selectAll(QStringLiteral("^\\s*SELECT\\s+\\*\\s+FROM\\s+(\\[[^\\]]+\\]|\\S+)\\s*;?\\s*$"),
                                                  QRegularExpression::CaseInsensitiveOption);
        const auto match = selectAll.match(sql);
        if (!match.hasMatch())
            throw Error(QStringLiteral("Syntax error in FROM clause."));
        QString name = match.captured(1);
        if (name.startsWith(QLatin1Char('[')))
            name = name.mid(1, name.size() - 2);
        for (const TableDef& t : m_db.tables) {
            if (t.name.compare(name, Qt::CaseInsensitive) == 0) {
                QStringList columns;
                for (const FieldDef& f : t.fields)
                    columns << f.name;
                return Variant(ObjectRef(std::make_shared<RecordsetObject>(m_server, columns, t.rows)));
            }
        }
        throw Error(QStringLiteral("The Microsoft Jet database engine cannot find the input table or query '%1'.").arg(name));
    }

    void check() const
    {
        if (m_closed)
            throw Error(QStringLiteral("Object invalid or no longer set."));
    }
    DatabaseDef m_db;
    bool m_closed = false;
};

class WorkspaceObject : public FakeObject {
public:
    explicit WorkspaceObject(std::shared_ptr<Server> s) : FakeObject(std::move(s), QStringLiteral("Workspace"))
    {
        addMember(QStringLiteral("Name"), [](Invoke, std::span<const Variant>) { return Variant("#Default Workspace#"); });
        addMember(QStringLiteral("OpenDatabase"), [this](Invoke, std::span<const Variant> args) {
            if (args.empty() || args.size() > 4)
                throw Error(QStringLiteral("Invalid number of parameters for OpenDatabase."));
            m_server->lastOpenDatabaseArgs.assign(args.begin(), args.end());
            const QString path = args[0].toString();
            const DatabaseDef* db = m_server->database(path);
            if (!db)
                throw Error(QStringLiteral("Could not find file '%1'.").arg(path));
            return Variant(ObjectRef(std::make_shared<DatabaseObject>(m_server, *db)));
        });
    }
};

class EngineObject : public FakeObject {
public:
    explicit EngineObject(std::shared_ptr<Server> s) : FakeObject(std::move(s), QStringLiteral("DBEngine"))
    {
        m_workspace = std::make_shared<WorkspaceObject>(m_server);
        addMember(QStringLiteral("Version"), [](Invoke, std::span<const Variant>) { return Variant("3.5"); });
        addMember(QStringLiteral("Workspaces"), [this](Invoke, std::span<const Variant> args) {
            return collectionMember(std::make_shared<Collection>(m_server, std::vector<ObjectRef>{m_workspace},
                                                                 QStringList{QStringLiteral("#Default Workspace#")}),
                                    args);
        });
    }

private:
    ObjectRef m_workspace;
};

} // namespace

FieldDef FieldDef::make(const QString& name, int type, const QString& description, int size)
{
    FieldDef f;
    f.name = name;
    f.type = type;
    f.size = size >= 0 ? size : defaultSize(type);
    f.properties = {{QStringLiteral("Value"), Variant::null()},
                    {QStringLiteral("Attributes"), integer(0)},
                    {QStringLiteral("Name"), Variant(name)},
                    {QStringLiteral("Type"), integer(type)}};
    if (!description.isEmpty())
        f.properties.push_back({QStringLiteral("Description"), Variant(description)});
    return f;
}

std::shared_ptr<Server> Server::create()
{
    return std::shared_ptr<Server>(new Server());
}

void Server::addDatabase(DatabaseDef db)
{
    m_databases.push_back(std::move(db));
}

const DatabaseDef* Server::database(const QString& path) const
{
    for (const DatabaseDef& db : m_databases) {
        if (db.path == path)
            return &db;
    }
    return nullptr;
}

void Server::failAt(const Failure& failure)
{
    m_failures.push_back(failure);
    m_counts.remove(failure.member.toLower());
}

void Server::clearFailures()
{
    m_failures.clear();
}

int Server::callCount(const QString& kindDotMember) const
{
    return static_cast<int>(m_calls.count(kindDotMember));
}

void Server::enter(const QString& kind, const QString& member)
{
    const QString qualified = kind + QLatin1Char('.') + member;
    m_calls << qualified;
    const QString keys[] = {member.toLower(), qualified.toLower()};
    for (const QString& key : keys)
        ++m_counts[key];
    for (const Failure& f : m_failures) {
        const QString key = f.member.toLower();
        if ((key == keys[0] || key == keys[1]) && m_counts.value(key) == f.occurrence)
            throw Error(f.description);
    }
}

ObjectRef Server::createEngine()
{
    enter(QStringLiteral("Server"), QStringLiteral("CreateObject"));
    return std::make_shared<EngineObject>(shared_from_this());
}

void Server::registerAs(automation::Registry& registry, const QString& className)
{
    std::weak_ptr<Server> weak = shared_from_this();
    registry.add(className, [weak]() -> ObjectRef {
        auto server = weak.lock();
        if (!server)
            throw Error(QStringLiteral("Server execution failed."));
        return server->createEngine();
    });
}

namespace {

Row numberedRow(int i)
{
    return {integer(i), Variant(QStringLiteral("行%1").arg(i))};
}

TableDef numbered(const QString& name, int count)
{
    TableDef t;
    t.name = name;
    t.fields = {FieldDef::make(QStringLiteral("ID"), dbLong), FieldDef::make(QStringLiteral("名前"), dbText)};
    t.fields[0].attributes = dbAutoIncrField;
    t.indexes = {{QStringLiteral("PrimaryKey"), {QStringLiteral("ID")}, true}};
    for (int i = 1; i <= count; ++i)
        t.rows.push_back(numberedRow(i));
    return t;
}

} // namespace

DatabaseDef sampleDatabase(const QString& path)
{
    DatabaseDef db;
    db.path = path;

    TableDef all;
    all.name = QStringLiteral("AllTypes");
    all.fields = {
        FieldDef::make(QStringLiteral("Counter"), dbLong, QStringLiteral("自動採番")),
        FieldDef::make(QStringLiteral("Flag"), dbBoolean, QStringLiteral("はい/いいえ")),
        FieldDef::make(QStringLiteral("Small"), dbByte),
        FieldDef::make(QStringLiteral("Short"), dbInteger),
        FieldDef::make(QStringLiteral("Long"), dbLong),
        FieldDef::make(QStringLiteral("Money"), dbCurrency),
        FieldDef::make(QStringLiteral("Single"), dbSingle),
        FieldDef::make(QStringLiteral("Double"), dbDouble),
        FieldDef::make(QStringLiteral("When"), dbDate),
        FieldDef::make(QStringLiteral("Bin"), dbBinary),
        FieldDef::make(QStringLiteral("Name"), dbText, QStringLiteral("氏名"), 50),
        FieldDef::make(QStringLiteral("Picture"), dbLongBinary),
        FieldDef::make(QStringLiteral("Notes"), dbMemo),
        FieldDef::make(QStringLiteral("Guid"), dbGUID),
        FieldDef::make(QStringLiteral("Big"), dbBigInt),
        FieldDef::make(QStringLiteral("Exact"), dbDecimal),
        FieldDef::make(QStringLiteral("Odd"), 0),
        FieldDef::make(QStringLiteral("Negative"), -1),
    };
    all.fields[0].attributes = dbAutoIncrField;
    all.indexes = {{QStringLiteral("ByName"), {QStringLiteral("Name"), QStringLiteral("Short")}, false},
                   {QStringLiteral("PrimaryKey"), {QStringLiteral("Counter")}, true}};
    automation::Guid guid;
    for (std::size_t i = 0; i < guid.bytes.size(); ++i)
        guid.bytes[i] = static_cast<std::uint8_t>(i * 17);
    all.rows.push_back({integer(1), Variant(true), Variant(std::uint8_t{255}), Variant(std::int16_t{-32768}),
                        integer(2147483647), Variant(automation::Currency{123456}), Variant(1.5f), Variant(3.141592653589793),
                        Variant(automation::Date{36526.5}), Variant(QByteArray("\x01\x02\x03", 3)), Variant("日本語テキスト"),
                        Variant(QByteArray(1000, 'x')), Variant(QStringLiteral("メモ").repeated(100)), Variant(guid),
                        Variant(std::int64_t{-9007199254740993}), Variant(automation::Decimal{12345, 2}), Variant::null(),
                        Variant::null()});
    Row nulls(all.fields.size(), Variant::null());
    nulls[0] = integer(2);
    nulls[10] = Variant(QString());
    all.rows.push_back(nulls);
    db.tables.push_back(std::move(all));

    TableDef sys;
    sys.name = QStringLiteral("MSysObjects");
    sys.attributes = dbSystemObject;
    sys.fields = {FieldDef::make(QStringLiteral("Id"), dbLong)};
    db.tables.push_back(sys);
    TableDef hidden = sys;
    hidden.name = QStringLiteral("Hidden");
    hidden.attributes = dbHiddenObject;
    db.tables.push_back(hidden);
    TableDef mixed = sys;
    mixed.name = QStringLiteral("Mixed");
    mixed.attributes = dbHiddenObject | 1;      // listed: only the whole values 2 and 0x80000000 are skipped
    db.tables.push_back(mixed);

    db.tables.push_back(numbered(QStringLiteral("Empty"), 0));
    db.tables.push_back(numbered(QStringLiteral("Forty Two"), 42));
    db.tables.push_back(numbered(QStringLiteral("Hundred"), 100));
    db.tables.push_back(numbered(QStringLiteral("Many"), 5000));
    db.tables.push_back(numbered(QStringLiteral("社員"), 3));
    return db;
}

} // namespace fakedao
