#include "sqlite_shell.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

ShellRun sqliteShell(const QString& file, const QString& sql, const QStringList& options)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), QStringList(options) << file << sql);
    ShellRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return r;
}

QString sqlName(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

namespace {

QString literal(const QString& text)
{
    QString q = text;
    q.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

} // namespace

std::vector<std::string> declaredTypes(const QString& file, const QString& table)
{
    // Complex columns, whatever they are declared as, are told apart by their Access type.
    const ShellRun r = sqliteShell(
        file, QStringLiteral("SELECT CASE WHEN m.value LIKE 'Complex%' THEN 'COMPLEX' ELSE c.type END FROM pragma_table_info(%1) c "
                             "LEFT JOIN _tabulon_meta m ON m.kind = 'column' AND m.table_name = %1 AND m.name = c.name "
                             "AND m.property = 'access_type' ORDER BY c.cid")
                  .arg(literal(table)));
    std::vector<std::string> types;
    for (const CsvRow& row : parseCsv(r.out.toStdString()))
        types.push_back(row.empty() || !row[0] ? std::string() : *row[0]);
    return types;
}

namespace {

bool numericType(const std::string& t) { return t == "REAL" || t.rfind("DECIMAL", 0) == 0; }

void normalise(std::vector<CsvRow>& rows, const std::vector<std::string>& types, bool fromExport)
{
    for (CsvRow& row : rows) {
        for (std::size_t i = 0; i < row.size() && i < types.size(); ++i) {
            if (!row[i])
                continue;
            std::string& v = *row[i];
            if (numericType(types[i]) && !v.empty()) {
                char* end = nullptr;
                const double d = std::strtod(v.c_str(), &end);
                if (end && *end == '\0') {
                    char buf[40];
                    std::snprintf(buf, sizeof buf, "%.15g", d);
                    v = buf;
                }
            } else if (types[i] == "COMPLEX") {
                // "2 items" in the export; the items as a JSON array (or their count) in the file.
                const auto space = v.find(" item");
                if (fromExport && space != std::string::npos)
                    v.erase(space);
                if (!fromExport && !v.empty() && v.front() == '[')
                    v = std::to_string(QJsonDocument::fromJson(QByteArray::fromStdString(v)).array().size());
            }
        }
    }
    std::sort(rows.begin(), rows.end());
}

} // namespace

std::vector<CsvRow> sqliteRows(const QString& file, const QString& table, bool* ok)
{
    const std::vector<std::string> types = declaredTypes(file, table);
    const ShellRun names = sqliteShell(file, QStringLiteral("SELECT name FROM pragma_table_info(%1)").arg(literal(table)));
    QStringList columns;
    std::size_t i = 0;
    for (const CsvRow& row : parseCsv(names.out.toStdString())) {
        const QString n = sqlName(QString::fromStdString(row.at(0).value_or(std::string())));
        columns << (i < types.size() && types[i] == "BLOB"
                        ? QStringLiteral("CASE WHEN %1 IS NULL THEN NULL ELSE lower(hex(%1)) END").arg(n)
                        : n);
        ++i;
    }
    const ShellRun r = sqliteShell(file, QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QStringLiteral(", ")), sqlName(table)));
    if (ok)
        *ok = r.ok && names.ok;
    std::vector<CsvRow> rows = parseCsv(r.out.toStdString());
    normalise(rows, types, false);
    return rows;
}

std::vector<CsvRow> exportRows(const QByteArray& csv, const std::vector<std::string>& types)
{
    std::vector<CsvRow> rows = parseCsv(csv.toStdString());
    if (!rows.empty())
        rows.erase(rows.begin());
    normalise(rows, types, true);
    return rows;
}
