// tabulon-cli: the engine and the report engine for scripts, benchmarks and tests.
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

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
    "  tabulon-cli qrp-render FILE --png DIR        every stored page rendered to DIR/page-N.png\n"
    "  tabulon-cli --help | --version\n";

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
    std::fputs(kUsage, stderr);
    return 1;
}
