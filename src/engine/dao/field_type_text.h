#pragma once
// The type text shown for a DAO field type code in the field list and the field report:
// a Japanese name padded to ten display columns, then the English name in parentheses.

#include <QString>

namespace dao {

// "?" for codes the table does not name (binary 9, 0, anything above 12, negatives).
// Code 4 is the counter when `attributes` has the auto-increment bit (16).
QString fieldTypeText(int type, int attributes);

// The same text without the padding between the two names ("カウンタ(LongInt)").
QString fieldTypeTextCompact(int type, int attributes);

} // namespace dao
