// tabulon-cli: the engine and the report engine for scripts, benchmarks and tests.
#include "automation/error.h"
#include "cli/commands.h"
#include "cli/database_commands.h"
#include "cli/pending_output.h"
#include "cli/qrp_commands.h"
#include "cli/report_commands.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  tabulon-cli tables DB [--system]             one table name a line, in tab order; --system:\n"
    "                                               every table, system and hidden ones too\n"
    "  tabulon-cli fields DB TABLE                  TSV: name, type, size, description, key\n"
    "  tabulon-cli query DB SQL [--max-rows N]      CSV of a Jet SQL SELECT, header row first\n"
    "  tabulon-cli export DB TABLE                  CSV of every row of TABLE\n"
    "  tabulon-cli schema DB [--json]               tables, columns, indexes, relationships, saved queries\n"
    "  tabulon-cli to-sqlite DB OUT.sqlite          every user table into one SQLite file, with keys,\n"
    "                                               indexes and relationships (OUT appears only when whole)\n"
    "  tabulon-cli dump DB DIR --format csv|jsonl   one file per user table, tables.json, schema.json\n"
    "  tabulon-cli verify DB                        reads every row of every table; names what is unreadable\n"
    "  tabulon-cli report DB TABLE --pdf FILE       the field-definition report as PDF\n"
    "  tabulon-cli report DB TABLE --qrp FILE       the same report saved as a report file\n"
    "  tabulon-cli qrp-info FILE                    header and page records of a report file\n"
    "  tabulon-cli qrp-render FILE --png DIR [--dpi N]  every stored page rendered to DIR/page-N.png\n"
    "                                               (N dots per inch, 150 unless given)\n"
    "  tabulon-cli --help | --version\n"
    "TSV cells escape tab, CR, LF and backslash as \\t \\r \\n \\\\, other control characters\n"
    "as \\xNN. In CSV an empty text or binary value is \"\", Null an empty unquoted field.\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  usage error\n"
    "  2  the database, table, query or file fails (one line on stderr says why)\n"
    "  3  finished, but rows or cells could not be read: export and query write every row\n"
    "     they can read (unreadable cells empty), then say on stderr how many rows could not\n"
    "     be read and the first reason (page and offset); to-sqlite and dump also when a\n"
    "     table could not be opened or a value could not be kept as it is\n"
    "  130  interrupted (Ctrl+C): to-sqlite and dump leave nothing behind\n"
    "to-sqlite and dump show their progress on stderr when it is a terminal.\n";

// One line on stderr, whatever the message holds.
void fail(const QString& message)
{
    std::fprintf(stderr, "tabulon-cli: %s\n", cli::oneLine(message).toUtf8().constData());
}

int usage(const QString& problem)
{
    fail(problem + QStringLiteral(" (see tabulon-cli --help)"));
    return cli::UsageError;
}

QString text(const std::string& arg) { return QString::fromUtf8(arg.data(), qsizetype(arg.size())); }
// A file name as Qt's file classes take it: the local 8-bit encoding, bytes kept.
QString fileName(const std::string& arg) { return QFile::decodeName(QByteArray::fromStdString(arg)); }

int run(const std::vector<std::string>& args)
{
    const std::string command = args.empty() ? std::string() : args[0];
    const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
    if (command == "tables") {
        std::vector<std::string> positional;
        bool system = false;
        for (const std::string& a : rest) {
            if (a == "--system")
                system = true;
            else
                positional.push_back(a);
        }
        if (positional.size() != 1)
            return usage(QStringLiteral("tables takes one argument: DB [--system]"));
        return cli::tablesCommand(positional[0], system);
    }
    if (command == "fields" || command == "export") {
        if (rest.size() != 2)
            return usage(text(command) + QStringLiteral(" takes two arguments: DB TABLE"));
        return command == "fields" ? cli::fieldsCommand(rest[0], text(rest[1]))
                                   : cli::exportCommand(rest[0], text(rest[1]));
    }
    if (command == "query") {
        std::vector<std::string> positional;
        long long maxRows = -1;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] == "--max-rows") {
                bool ok = false;
                maxRows = i + 1 < rest.size() ? text(rest[i + 1]).toLongLong(&ok) : -1;
                if (!ok || maxRows < 0)
                    return usage(QStringLiteral("--max-rows needs a number of rows (0 or more)"));
                ++i;
            } else {
                positional.push_back(rest[i]);
            }
        }
        if (positional.size() != 2)
            return usage(QStringLiteral("query takes two arguments: DB SQL [--max-rows N]"));
        return cli::queryCommand(positional[0], text(positional[1]), maxRows);
    }
    if (command == "qrp-info") {
        if (rest.size() != 1)
            return usage(QStringLiteral("qrp-info takes one argument: FILE"));
        return cli::qrpInfoCommand(fileName(rest[0]));
    }
    if (command == "qrp-render") {
        std::vector<std::string> positional;
        QString png;
        int dpi = 150;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] == "--png" && i + 1 < rest.size()) {
                png = fileName(rest[++i]);
            } else if (rest[i] == "--dpi") {
                bool ok = false;
                dpi = i + 1 < rest.size() ? text(rest[i + 1]).toInt(&ok) : 0;
                if (!ok || dpi < 10 || dpi > 1200)
                    return usage(QStringLiteral("--dpi needs a resolution from 10 to 1200"));
                ++i;
            } else {
                positional.push_back(rest[i]);
            }
        }
        if (positional.size() != 1 || png.isEmpty())
            return usage(QStringLiteral("qrp-render takes FILE --png DIR [--dpi N]"));
        return cli::qrpRenderCommand(fileName(positional[0]), png, dpi);
    }
    if (command == "schema") {
        std::vector<std::string> positional;
        bool json = false;
        for (const std::string& a : rest) {
            if (a == "--json")
                json = true;
            else
                positional.push_back(a);
        }
        if (positional.size() != 1)
            return usage(QStringLiteral("schema takes one argument: DB [--json]"));
        return cli::schemaCommand(positional[0], json);
    }
    if (command == "to-sqlite") {
        if (rest.size() != 2)
            return usage(QStringLiteral("to-sqlite takes two arguments: DB OUT.sqlite"));
        return cli::toSqliteCommand(rest[0], rest[1]);
    }
    if (command == "dump") {
        std::vector<std::string> positional;
        std::string format;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] == "--format" && i + 1 < rest.size())
                format = rest[++i];
            else if (rest[i].rfind("--format=", 0) == 0)
                format = rest[i].substr(9);
            else
                positional.push_back(rest[i]);
        }
        if (positional.size() != 2 || (format != "csv" && format != "jsonl"))
            return usage(QStringLiteral("dump takes DB DIR --format csv|jsonl"));
        return cli::dumpCommand(positional[0], positional[1],
                                format == "csv" ? cli::DumpFormat::Csv : cli::DumpFormat::Jsonl);
    }
    if (command == "verify") {
        if (rest.size() != 1)
            return usage(QStringLiteral("verify takes one argument: DB"));
        return cli::verifyCommand(rest[0]);
    }
    if (command == "report") {
        if (rest.size() != 4 || (rest[2] != "--pdf" && rest[2] != "--qrp"))
            return usage(QStringLiteral("report takes DB TABLE --pdf FILE or DB TABLE --qrp FILE"));
        return cli::reportCommand(rest[0], text(rest[1]),
                                  rest[2] == "--pdf" ? cli::ReportOutput::Pdf : cli::ReportOutput::Qrp,
                                  fileName(rest[3]));
    }
    if (command.empty())
        return usage(QStringLiteral("no command given"));
    return usage(QStringLiteral("unknown command '%1'").arg(text(command)));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tabulon-cli %s\n", TABULON_VERSION);
        return 0;
    }
    // Arguments stay bytes: paths reach the file system as they were given.
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        const int code = run(args);
        if (std::fflush(stdout) != 0) {
            fail(QStringLiteral("cannot write the output"));
            return cli::Failure;
        }
        return code;
    } catch (const cli::CliError& e) {
        fail(QString::fromStdString(e.what()));
        return cli::interrupted() ? 130 : cli::Failure;
    } catch (const automation::Error& e) {
        fail(e.description());
    } catch (const std::bad_alloc&) {
        fail(QStringLiteral("not enough memory to finish the command (the database may be damaged)"));
    } catch (const std::exception& e) {
        fail(QString::fromUtf8(e.what()));
    }
    return cli::Failure;
}
