#include "cli/commands.h"

#include "automation/error.h"
#include "automation/object.h"
#include "automation/registry.h"
#include "cli/variant_csv.h"
#include "dao/database.h"
#include "dao/field_type_text.h"
#include "jet/csv.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

namespace cli {

using automation::Variant;
using automation::get;

namespace {

void write(const std::string& text)
{
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        throw CliError(QStringLiteral("cannot write the output"));
}

} // namespace

std::shared_ptr<jet::Database> openJet(const std::string& path)
{
    if (path.empty())
        throw CliError(QStringLiteral("no database file name was given"));
    auto db = jet::Database::open(path);
    if (!db)
        throw CliError(QString::fromStdString(db.error().describe()));
    return std::shared_ptr<jet::Database>(std::move(*db));
}

// The database through the engine, as the program opens it: read-only, the engine's objects.
Variant openDatabase(const std::string& path)
{
    const automation::ObjectRef db = std::make_shared<dao::Database>(
        openJet(path), QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absoluteFilePath());
    return Variant(db);
}

// A table definition by name: exact match first, then without regard to case.
Variant findTableDef(const Variant& database, const QString& name)
{
    const Variant tableDefs = get(database, QStringLiteral("TableDefs"));
    const int count = get(tableDefs, QStringLiteral("Count")).toInt();
    int loose = -1;
    for (int i = 0; i < count; ++i) {
        const QString n = get(get(tableDefs, QStringLiteral("Item"), Variant(std::int32_t(i))),
                              QStringLiteral("Name")).toString();
        if (n == name)
            return get(tableDefs, QStringLiteral("Item"), Variant(std::int32_t(i)));
        if (loose < 0 && n.compare(name, Qt::CaseInsensitive) == 0)
            loose = i;
    }
    if (loose >= 0)
        return get(tableDefs, QStringLiteral("Item"), Variant(std::int32_t(loose)));
    throw CliError(QStringLiteral("no table '%1' in the database").arg(name));
}

namespace {

// TSV cells keep to one line: tab, line breaks and backslash are escaped, other control
// characters (damaged names) written as \xNN.
std::string tsvCell(const QString& text)
{
    std::string out;
    for (const char c : text.toStdString()) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out;
}

QString plural(unsigned long long n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

// Rows that could not be read, on stderr; the exit status that says so. `missing` < 0: the
// count does not say how many of the rows are missing and how many have unreadable cells.
QString lossMessage(const QString& what, unsigned long long unreadable, long long missing, const QString& first)
{
    QString message = plural(unreadable, "row", "rows") + QStringLiteral(" of ") + what;
    const unsigned long long lost = missing < 0 ? 0 : static_cast<unsigned long long>(missing);
    const unsigned long long cells = unreadable > lost ? unreadable - lost : 0;
    if (missing < 0)
        message += QStringLiteral(" could not be read whole (missing, or with unreadable cells written empty)");
    else if (cells == 0)
        message += unreadable == 1 ? QStringLiteral(" could not be read and is not in the output")
                                   : QStringLiteral(" could not be read and are not in the output");
    else if (lost == 0)
        message += unreadable == 1 ? QStringLiteral(" has unreadable cells (written empty)")
                                   : QStringLiteral(" have unreadable cells (written empty)");
    else
        message += QStringLiteral(" could not be read whole: ") + plural(lost, "is", "are")
                   + QStringLiteral(" missing from the output, ") + plural(cells, "has", "have")
                   + QStringLiteral(" unreadable cells (written empty)");
    if (!first.isEmpty())
        message += QStringLiteral("; first problem: ") + first;
    return message;
}

int reportLoss(const QString& what, unsigned long long unreadable, long long missing, const QString& first)
{
    std::fprintf(stderr, "tabulon-cli: %s\n", oneLine(lossMessage(what, unreadable, missing, first)).toUtf8().constData());
    return RowsLost;
}

QString harmlessDamageMessage(const QString& what, const QString& first)
{
    return QStringLiteral("warning: ") + what + QStringLiteral(" is damaged, but every row was read; ") + first;
}

// Damage that cost no row (a damaged page that held none): said, but the output is whole.
void reportHarmlessDamage(const QString& what, const QString& first)
{
    std::fprintf(stderr, "tabulon-cli: %s\n", oneLine(harmlessDamageMessage(what, first)).toUtf8().constData());
}

bool isUserTable(bool jet3, std::uint32_t flags)
{
    constexpr std::uint32_t system = 0x80000000u, hidden = 0x2u;
    if (jet3)
        return flags != system && flags != hidden;
    return (flags & (system | hidden)) == 0;
}

QString displayPath(const std::string& path)
{
    QString out;
    const QByteArray bytes = QByteArray::fromStdString(path);
    qsizetype i = 0;
    while (i < bytes.size()) {
        // The longest valid UTF-8 run from here, then one byte shown as \xNN.
        qsizetype j = i;
        while (j < bytes.size()) {
            const auto c = static_cast<unsigned char>(bytes[j]);
            const int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
            if (n == 0 || j + n > bytes.size())
                break;
            const QByteArray piece = bytes.mid(j, n);
            const QString decoded = QString::fromUtf8(piece);
            if (decoded.contains(QChar::ReplacementCharacter) || decoded.toUtf8() != piece)
                break;
            j += n;
        }
        out += QString::fromUtf8(bytes.mid(i, j - i));
        if (j < bytes.size()) {
            out += QStringLiteral("\\x%1").arg(static_cast<unsigned char>(bytes[j]), 2, 16, QLatin1Char('0'));
            ++j;
        }
        i = j;
    }
    return out;
}

QString oneLine(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            out += QLatin1Char(' ');
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

int tablesCommand(const std::string& path, bool system)
{
    const Variant db = openDatabase(path);
    const bool jet3 = get(db, QStringLiteral("Version")).toString() == QLatin1String("3.0");
    const Variant tableDefs = get(db, QStringLiteral("TableDefs"));
    const int count = get(tableDefs, QStringLiteral("Count")).toInt();
    std::string out;
    for (int i = 0; i < count; ++i) {
        const Variant def = get(db, QStringLiteral("TableDefs"), Variant(std::int32_t(i)));
        const auto flags = static_cast<std::uint32_t>(get(def, QStringLiteral("Attributes")).toInt());
        if (!system && !isUserTable(jet3, flags))
            continue;
        out += get(def, QStringLiteral("Name")).toString().toStdString();
        out += '\n';
    }
    write(out);
    automation::call(db, QStringLiteral("Close"));
    return Ok;
}

int fieldsCommand(const std::string& path, const QString& table)
{
    const Variant db = openDatabase(path);
    const Variant def = findTableDef(db, table);
    const Variant fields = get(def, QStringLiteral("Fields"));
    const int count = get(fields, QStringLiteral("Count")).toInt();

    // Key fields: those of the first index, whichever it is.
    QStringList keys;
    const Variant indexes = get(def, QStringLiteral("Indexes"));
    if (get(indexes, QStringLiteral("Count")).toInt() > 0) {
        const Variant keyFields = get(get(indexes, QStringLiteral("Item"), Variant(std::int32_t(0))),
                                      QStringLiteral("Fields"));
        const int n = get(keyFields, QStringLiteral("Count")).toInt();
        for (int j = 0; j < n; ++j)
            keys << get(get(keyFields, QStringLiteral("Item"), Variant(std::int32_t(j))), QStringLiteral("Name")).toString();
    }

    std::string out;
    for (int j = 0; j < count; ++j) {
        const Variant field = get(fields, QStringLiteral("Item"), Variant(std::int32_t(j)));
        const QString name = get(field, QStringLiteral("Name")).toString();
        const int type = get(field, QStringLiteral("Type")).toInt();
        const int attributes = get(field, QStringLiteral("Attributes")).toInt();
        const int size = get(field, QStringLiteral("Size")).toInt();
        QString description;
        const Variant properties = get(field, QStringLiteral("Properties"));
        const int np = get(properties, QStringLiteral("Count")).toInt();
        for (int k = 0; k < np; ++k) {
            const Variant p = get(properties, QStringLiteral("Item"), Variant(std::int32_t(k)));
            if (get(p, QStringLiteral("Name")).toString() == QStringLiteral("Description")) {
                description = QString::fromStdString(variantText(get(p, QStringLiteral("Value"))));
                break;
            }
        }
        out += tsvCell(name) + '\t' + tsvCell(dao::fieldTypeTextCompact(type, attributes)) + '\t'
               + std::to_string(size) + '\t' + tsvCell(description) + '\t'
               + (keys.contains(name) ? "1" : "0") + '\n';
    }
    write(out);
    automation::call(db, QStringLiteral("Close"));
    return Ok;
}

int exportCommand(const std::string& path, const QString& table)
{
    const std::shared_ptr<jet::Database> db = openJet(path);
    // Exact name first, then without regard to case (the reader's lookup).
    std::string name = table.toStdString();
    const auto& tables = db->tables();
    const bool exact = std::any_of(tables.begin(), tables.end(),
                                   [&](const jet::CatalogEntry& e) { return e.name == name; });
    if (!exact) {
        const jet::CatalogEntry* e = db->findTable(name);
        if (!e)
            throw CliError(QStringLiteral("no table '%1' in the database").arg(table));
        name = e->name;
    }
    auto t = db->table(name);
    if (!t)
        throw CliError(QStringLiteral("cannot read table '%1': %2").arg(table, QString::fromStdString(t.error().describe())));
    std::fflush(stdout);
    auto stats = jet::csv::writeTable(*t, stdout);
    if (!stats)
        throw CliError(QStringLiteral("cannot export table '%1': %2").arg(table, QString::fromStdString(stats.error().describe())));
    const QString what = QStringLiteral("'%1'").arg(QString::fromStdString(name));
    const QString first = stats->firstLoss ? QString::fromStdString(stats->firstLoss->describe()) : QString();
    if (stats->unreadableRows > 0)
        return reportLoss(what, stats->unreadableRows, static_cast<long long>(stats->missingRows), first);
    if (stats->firstLoss)
        reportHarmlessDamage(what, first);
    return Ok;
}

// What the recordset could not read: its UnreadableRows and FirstLoss members. An engine
// without them reads every row it gives (the count is then 0).
struct RecordsetLoss {
    long long rows = 0;
    QString first;
};

RecordsetLoss recordsetLoss(const Variant& rs)
{
    RecordsetLoss loss;
    try {
        loss.rows = get(rs, QStringLiteral("UnreadableRows")).toInt64();
    } catch (const automation::Error&) {
        return loss;
    }
    if (loss.rows > 0) {
        try {
            loss.first = get(rs, QStringLiteral("FirstLoss")).toString();
        } catch (const automation::Error&) {
        }
    }
    return loss;
}

int queryCommand(const std::string& path, const QString& sql, long long maxRows)
{
    const Variant db = openDatabase(path);
    const Variant rs = automation::call(db, QStringLiteral("OpenRecordset"), {Variant(sql)});
    const Variant fields = get(rs, QStringLiteral("Fields"));
    const int count = get(fields, QStringLiteral("Count")).toInt();
    std::vector<Variant> columns;
    std::string out;
    for (int i = 0; i < count; ++i) {
        columns.push_back(get(fields, QStringLiteral("Item"), Variant(std::int32_t(i))));
        if (i > 0)
            out += ',';
        jet::csv::appendField(out, get(columns.back(), QStringLiteral("Name")).toString().toStdString());
    }
    out += "\r\n";
    long long rows = 0;
    while ((maxRows < 0 || rows < maxRows) && !get(rs, QStringLiteral("EOF")).toBool()) {
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                out += ',';
            // Field objects may be per row; ask the recordset each time.
            appendVariantField(out, get(get(rs, QStringLiteral("Fields"), Variant(std::int32_t(i))), QStringLiteral("Value")));
        }
        out += "\r\n";
        ++rows;
        if (out.size() > (1u << 20)) {
            write(out);
            out.clear();
        }
        automation::call(rs, QStringLiteral("MoveNext"));
    }
    write(out);
    const RecordsetLoss loss = recordsetLoss(rs);
    automation::call(rs, QStringLiteral("Close"));
    automation::call(db, QStringLiteral("Close"));
    if (loss.rows > 0)
        return reportLoss(QStringLiteral("the query"), static_cast<unsigned long long>(loss.rows), -1, loss.first);
    return Ok;
}

} // namespace cli
