#include "dao/field_type_text.h"

namespace dao {

QString fieldTypeText(int type, int attributes)
{
    switch (type) {
    case 1: return QStringLiteral("Yes/No    (Bool)");
    case 2: return QStringLiteral("バイト    (Byte)");
    case 3: return QStringLiteral("整数      (ShortInt)");
    case 4:
        return (attributes & 16) ? QStringLiteral("カウンタ  (LongInt)")
                                 : QStringLiteral("長整数    (LongInt)");
    case 5: return QStringLiteral("通貨      (Currency)");
    case 6: return QStringLiteral("単精度実数(Single)");
    case 7: return QStringLiteral("倍精度実数(Double)");
    case 8: return QStringLiteral("日付      (Date)");
    case 10: return QStringLiteral("文字列    (String)");
    case 11: return QStringLiteral("OLE       (Object)");
    case 12: return QStringLiteral("メモ      (Text)");
    default: return QStringLiteral("?");
    }
}

QString fieldTypeTextCompact(int type, int attributes)
{
    QString text = fieldTypeText(type, attributes);
    const qsizetype paren = text.indexOf(QLatin1Char('('));
    if (paren <= 0)
        return text;
    return text.left(paren).trimmed() + text.mid(paren);
}

} // namespace dao
