#include "sql/collation.h"

#include "automation/error.h"

#include <algorithm>
#include <cstring>

namespace sql {

namespace {

bool isAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

unsigned char lowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

int collate(void*, int na, const void* a, int nb, const void* b)
{
    const std::string_view sa(static_cast<const char*>(a), std::size_t(na));
    const std::string_view sb(static_cast<const char*>(b), std::size_t(nb));
    try {
        return compareFolded(sa, sb);
    } catch (...) {
        // A collation cannot fail: without memory to fold, compare the bytes.
        const int c = std::memcmp(sa.data(), sb.data(), std::min(sa.size(), sb.size()));
        return c != 0 ? c : (sa.size() == sb.size() ? 0 : (sa.size() < sb.size() ? -1 : 1));
    }
}

} // namespace

QString foldText(const QString& text)
{
    QString s = text.normalized(QString::NormalizationForm_KC);
    for (QChar& c : s) {
        const char16_t u = c.unicode();
        // Hiragana to katakana: the blocks are 0x60 apart.
        if (u >= 0x3041 && u <= 0x3096) c = QChar(char16_t(u + 0x60));
        else if (u == 0x309D || u == 0x309E) c = QChar(char16_t(u + 0x60));
    }
    return s.toCaseFolded();
}

std::string foldKey(std::string_view utf8)
{
    if (isAscii(utf8)) {
        std::string out(utf8);
        for (char& c : out) c = static_cast<char>(lowerAscii(static_cast<unsigned char>(c)));
        return out;
    }
    return foldText(QString::fromUtf8(utf8.data(), qsizetype(utf8.size()))).toStdString();
}

int compareFolded(std::string_view a, std::string_view b)
{
    // Plain ASCII on both sides is by far the common case: compare without allocating. A
    // non-ASCII character may combine with the one before it (e + U+0301 folds to é), so the
    // ASCII decision is taken only when neither string continues with a non-ASCII byte, and the
    // slow path starts one character early.
    const std::size_t n = std::min(a.size(), b.size());
    auto asciiAt = [](std::string_view s, std::size_t k) {
        return k >= s.size() || static_cast<unsigned char>(s[k]) < 0x80;
    };
    std::size_t i = 0;
    for (; i < n; ++i) {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x80 || cb >= 0x80) break;
        const unsigned char la = lowerAscii(ca), lb = lowerAscii(cb);
        if (la != lb) {
            if (asciiAt(a, i + 1) && asciiAt(b, i + 1)) return la < lb ? -1 : 1;
            break;
        }
    }
    if (i == n) {
        const std::string_view rest = a.size() > b.size() ? a.substr(n) : b.substr(n);
        if (isAscii(rest)) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    }
    const std::size_t from = i > 0 ? i - 1 : 0;
    const std::string fa = foldKey(a.substr(from));
    const std::string fb = foldKey(b.substr(from));
    const int c = std::memcmp(fa.data(), fb.data(), std::min(fa.size(), fb.size()));
    if (c != 0) return c < 0 ? -1 : 1;
    return fa.size() == fb.size() ? 0 : (fa.size() < fb.size() ? -1 : 1);
}

void registerCollation(sqlite3* db)
{
    if (sqlite3_create_collation_v2(db, "JET", SQLITE_UTF8, nullptr, collate, nullptr) != SQLITE_OK)
        throw automation::Error(QStringLiteral("Cannot register the text collation: %1")
                                    .arg(QString::fromUtf8(sqlite3_errmsg(db))));
}

} // namespace sql
