#pragma once
// Which tables of a database get a tab (and an entry in the console's table list).

#include <QString>

#include <cstdint>

namespace tablefilter {

enum class Rule {
    // Jet 3 files: a table is left out only when its flags are exactly 0x80000000 or exactly 2.
    WholeValue,
    // Jet 4 and ACE files also carry system tables whose flags add other bits (0xA,
    // 0x80030000, ...): a table is left out when its flags carry bit 0x80000000 or bit 0x2.
    SystemBits,
};

// The rule for a database's Version text as DAO gives it ("3.0", "4.0", "12.0", ...). A text
// that names no version keeps the whole-value test.
Rule ruleForVersion(const QString& version);

// Whether a table with these catalog flags is listed.
bool listed(std::int32_t flags, Rule rule);

} // namespace tablefilter
