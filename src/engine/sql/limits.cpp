#include "sql/limits.h"

#include "sql/interrupt.h"
#include "sql/temp_vfs.h"

#include <new>

namespace sql {

namespace {

QString tooLargeText()
{
    return QStringLiteral("The result is too large: a text may hold at most %1 MiB.").arg(kMaxTextBytes >> 20);
}

QString tooMuchTempText()
{
    return QStringLiteral("The statement is too large to run: its sorted and intermediate rows would need more than "
                          "the %1 MiB of temporary space SQL may use here. Narrow it down (WHERE, TOP, fewer joined "
                          "rows) and try again.")
        .arg(kTempLimitBytes >> 20);
}

QString outOfMemoryText()
{
    return QStringLiteral("The statement is too large to run: it needs more than the %1 MiB of working memory "
                          "SQL may use here. Narrow it down (WHERE, TOP, fewer joined rows) and try again.")
        .arg(kHeapLimitBytes >> 20);
}

} // namespace

TooLarge::TooLarge() : std::runtime_error(tooLargeText().toStdString()) {}

QString describeSqliteMessage(const QString& message, int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_INTERRUPT:
        return QString::fromLatin1(kCancelledMessage);
    case SQLITE_NOMEM:
        return outOfMemoryText();
    case SQLITE_TOOBIG:
        return tooLargeText();
    case SQLITE_FULL:
        return tooMuchTempText();
    default:
        break;
    }
    if (message.startsWith(QLatin1String("not authorized")) || message.contains(QLatin1String("prohibited"))
        || (rc & 0xFF) == SQLITE_AUTH)
        return QStringLiteral("The statement was refused: the database is opened read-only and SQL may only "
                              "read its tables.");
    if (message.startsWith(QLatin1String("Expression tree is too large")) || message == QLatin1String("parser stack overflow"))
        return QStringLiteral("The expression is too complex: its operators are nested too deeply.");
    if (message == QLatin1String("out of memory")) return outOfMemoryText();
    if (message == QLatin1String("interrupted")) return QString::fromLatin1(kCancelledMessage);
    if (message == QLatin1String("string or blob too big")) return tooLargeText();
    return message;
}

QString describeSqliteError(sqlite3* db, int rc)
{
    return describeSqliteMessage(QString::fromUtf8(sqlite3_errmsg(db)), rc);
}

QString describeCurrentException()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Not enough memory to run the statement.");
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("The statement failed for an unknown reason.");
    }
}

} // namespace sql
