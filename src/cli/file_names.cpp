#include "cli/file_names.h"

#include "cli/json_writer.h"

#include <QString>

namespace cli {

namespace {

constexpr size_t kMaxStem = 200;

bool plainAscii(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'
           || c == '.';
}

// Length of the character at `i` when it is a letter, digit or mark outside ASCII, else 0.
size_t letterLength(std::string_view s, size_t i)
{
    char32_t cp = 0;
    const size_t len = json::decodeUtf8(s, i, cp);
    if (len < 2)
        return 0;
    switch (QChar::category(cp)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
        return len;
    default:
        return 0;
    }
}

std::string foldForCompare(const std::string& s) { return QString::fromStdString(s).toCaseFolded().toStdString(); }

} // namespace

std::string safeFileStem(std::string_view name)
{
    std::string out;
    size_t i = 0;
    while (i < name.size()) {
        const auto c = static_cast<unsigned char>(name[i]);
        size_t len = 1;
        if (c < 0x80) {
            out += plainAscii(c) ? char(c) : '_';
        } else if ((len = letterLength(name, i)) > 0) {
            if (out.size() + len > kMaxStem)
                break;
            out.append(name.data() + i, len);
        } else {
            len = 1;
            // A whole character that is no letter (a symbol, a blank) becomes one '_'.
            while (i + len < name.size() && (static_cast<unsigned char>(name[i + len]) & 0xC0) == 0x80)
                ++len;
            out += '_';
        }
        i += len;
        if (out.size() >= kMaxStem)
            break;
    }
    if (out.size() > kMaxStem)
        out.resize(kMaxStem);
    if (out.empty() || out.front() == '.' || out.front() == '-')
        out.insert(out.begin(), '_');
    return out;
}

std::string UniqueFileNames::claim(std::string_view tableName)
{
    const std::string stem = safeFileStem(tableName);
    std::string name = stem;
    for (int n = 2; taken_.count(foldForCompare(name)); ++n)
        name = stem + "_" + std::to_string(n);
    taken_.insert(foldForCompare(name));
    return name;
}

} // namespace cli
