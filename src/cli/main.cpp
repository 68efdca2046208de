// tabulon-cli: the engine and the report engine for scripts, benchmarks and tests.
#include "automation/error.h"
#include "cli/commands.h"
#include "cli/qrp_commands.h"
#include "cli/report_commands.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  tabulon-cli tables DB                        one table name a line, in tab order\n"
    "  tabulon-cli fields DB TABLE                  TSV: name, type, size, description, key\n"
    "  tabulon-cli query DB SQL [--max-rows N]      CSV of a Jet SQL SELECT, header row first\n"
    "  tabulon-cli export DB TABLE                  CSV of every row of TABLE\n"
    "  tabulon-cli report DB TABLE --pdf FILE       the field-definition report as PDF\n"
    "  tabulon-cli report DB TABLE --qrp FILE       the same report saved as a report file\n"
    "  tabulon-cli qrp-info FILE                    header and page records of a report file\n"
    "  tabulon-cli qrp-render FILE --png DIR [--dpi N]  every stored page rendered to DIR/page-N.png\n"
    "                                               (N dots per inch, 150 unless given)\n"
    "  tabulon-cli --help | --version\n"
    "TSV cells escape tab, CR, LF and backslash as \\t \\r \\n \\\\. Exit status: 0 success,\n"
    "1 usage error, 2 when the database, table, query or file fails.\n";

// One line on stderr, whatever the message holds.
void fail(const QString& message)
{
    QString line = message;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "tabulon-cli: %s\n", line.toUtf8().constData());
}

int usage(const QString& problem)
{
    fail(problem + QStringLiteral(" (see tabulon-cli --help)"));
    return cli::UsageError;
}

int run(const QStringList& args)
{
    const QString command = args.value(0);
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("tables")) {
        if (rest.size() != 1)
            return usage(QStringLiteral("tables takes one argument: DB"));
        return cli::tablesCommand(rest[0]);
    }
    if (command == QLatin1String("fields") || command == QLatin1String("export")) {
        if (rest.size() != 2)
            return usage(QStringLiteral("%1 takes two arguments: DB TABLE").arg(command));
        return command == QLatin1String("fields") ? cli::fieldsCommand(rest[0], rest[1])
                                                  : cli::exportCommand(rest[0], rest[1]);
    }
    if (command == QLatin1String("query")) {
        QStringList positional;
        long long maxRows = -1;
        for (qsizetype i = 0; i < rest.size(); ++i) {
            if (rest[i] == QLatin1String("--max-rows")) {
                bool ok = false;
                maxRows = i + 1 < rest.size() ? rest[i + 1].toLongLong(&ok) : -1;
                if (!ok || maxRows < 0)
                    return usage(QStringLiteral("--max-rows needs a number of rows (0 or more)"));
                ++i;
            } else {
                positional << rest[i];
            }
        }
        if (positional.size() != 2)
            return usage(QStringLiteral("query takes two arguments: DB SQL [--max-rows N]"));
        return cli::queryCommand(positional[0], positional[1], maxRows);
    }
    if (command == QLatin1String("qrp-info")) {
        if (rest.size() != 1)
            return usage(QStringLiteral("qrp-info takes one argument: FILE"));
        return cli::qrpInfoCommand(rest[0]);
    }
    if (command == QLatin1String("qrp-render")) {
        QStringList positional;
        QString png;
        int dpi = 150;
        for (qsizetype i = 0; i < rest.size(); ++i) {
            if (rest[i] == QLatin1String("--png") && i + 1 < rest.size()) {
                png = rest[++i];
            } else if (rest[i] == QLatin1String("--dpi")) {
                bool ok = false;
                dpi = i + 1 < rest.size() ? rest[i + 1].toInt(&ok) : 0;
                if (!ok || dpi < 10 || dpi > 1200)
                    return usage(QStringLiteral("--dpi needs a resolution from 10 to 1200"));
                ++i;
            } else {
                positional << rest[i];
            }
        }
        if (positional.size() != 1 || png.isEmpty())
            return usage(QStringLiteral("qrp-render takes FILE --png DIR [--dpi N]"));
        return cli::qrpRenderCommand(positional[0], png, dpi);
    }
    if (command == QLatin1String("report")) {
        if (rest.size() != 4 || (rest[2] != QLatin1String("--pdf") && rest[2] != QLatin1String("--qrp")))
            return usage(QStringLiteral("report takes DB TABLE --pdf FILE or DB TABLE --qrp FILE"));
        return cli::reportCommand(rest[0], rest[1],
                                  rest[2] == QLatin1String("--pdf") ? cli::ReportOutput::Pdf : cli::ReportOutput::Qrp,
                                  rest[3]);
    }
    if (command.isEmpty())
        return usage(QStringLiteral("no command given"));
    return usage(QStringLiteral("unknown command '%1'").arg(command));
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
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    try {
        const int code = run(args);
        if (std::fflush(stdout) != 0) {
            fail(QStringLiteral("cannot write the output"));
            return cli::Failure;
        }
        return code;
    } catch (const automation::Error& e) {
        fail(e.description());
    } catch (const std::exception& e) {
        fail(QString::fromUtf8(e.what()));
    }
    return cli::Failure;
}
