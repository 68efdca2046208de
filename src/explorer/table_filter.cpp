#include "explorer/table_filter.h"

namespace tablefilter {

namespace {
constexpr std::uint32_t kSystem = 0x80000000u;
constexpr std::uint32_t kHiddenSystem = 0x2u;
} // namespace

Rule ruleForVersion(const QString& version)
{
    bool ok = false;
    const int major = version.trimmed().section(QLatin1Char('.'), 0, 0).toInt(&ok);
    return ok && major >= 4 ? Rule::SystemBits : Rule::WholeValue;
}

bool listed(std::int32_t flags, Rule rule)
{
    const auto bits = static_cast<std::uint32_t>(flags);
    if (rule == Rule::SystemBits)
        return (bits & (kSystem | kHiddenSystem)) == 0;
    return bits != kSystem && bits != kHiddenSystem;
}

} // namespace tablefilter
