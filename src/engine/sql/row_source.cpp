#include "sql/row_source.h"

#include <cstring>
#include <strings.h>

namespace sql {

namespace {

struct TypeName {
    std::uint8_t type;
    const char* name;   // the affinity comes from the suffix (INT, REAL, TEXT, BLOB)
};

const TypeName kTypes[] = {
    {0x01, "JET_BOOLEAN_INT"},  {0x02, "JET_BYTE_INT"},     {0x03, "JET_INTEGER_INT"},
    {0x04, "JET_LONG_INT"},     {0x05, "JET_CURRENCY_REAL"}, {0x06, "JET_SINGLE_REAL"},
    {0x07, "JET_DOUBLE_REAL"},  {0x08, "JET_DATETIME_REAL"}, {0x09, "JET_BINARY_BLOB"},
    {0x0A, "JET_TEXT"},         {0x0B, "JET_OLE_BLOB"},      {0x0C, "JET_MEMO_TEXT"},
    {0x0F, "JET_GUID_TEXT"},    {0x10, "JET_NUMERIC_REAL"},  {0x12, "JET_COMPLEX_TEXT"},
    {0x13, "JET_BIGINT_INT"},   {0x14, "JET_EXTDATETIME_TEXT"},
};

} // namespace

QString declaredType(const SourceColumn& c)
{
    for (const TypeName& t : kTypes) {
        if (t.type != c.jetType) continue;
        QString s = QString::fromLatin1(t.name);
        if (c.jetType == 0x10) s += QStringLiteral("(%1,%2)").arg(c.precision).arg(c.scale);
        if (isTextKeyType(c.jetType)) s += QStringLiteral(" COLLATE JET");
        return s;
    }
    return QStringLiteral("JET_UNKNOWN_BLOB");
}

std::uint8_t jetTypeFromDeclared(const char* declared, std::uint8_t* scale)
{
    if (!declared) return 0;
    for (const TypeName& t : kTypes) {
        const std::size_t n = std::strlen(t.name);
        if (strncasecmp(declared, t.name, n) != 0) continue;
        const char c = declared[n];
        if (c != '\0' && c != '(' && c != ' ') continue;
        if (scale && c == '(') {
            const char* comma = std::strchr(declared + n, ',');
            *scale = comma ? static_cast<std::uint8_t>(std::atoi(comma + 1)) : 0;
        }
        return t.type;
    }
    return 0;
}

bool isTextKeyType(std::uint8_t t)
{
    return t == 0x0A || t == 0x0C || t == 0x0F || t == 0x14;
}

bool isIndexableType(std::uint8_t t)
{
    switch (t) {
    case 0x01: case 0x02: case 0x03: case 0x04: case 0x05: case 0x06: case 0x07: case 0x08:
    case 0x0A: case 0x0C: case 0x0F: case 0x10: case 0x13: case 0x14:
        return true;
    default:
        return false;
    }
}

} // namespace sql
