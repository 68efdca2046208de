#pragma once
// How Jet compares text: without regard to case, width (full-width ＡＢＣ = ABC, half-width ｶﾅ =
// カナ) or kana type (ひらがな = ヒラガナ), the way Windows compares with NORM_IGNORECASE |
// NORM_IGNOREWIDTH | NORM_IGNOREKANATYPE. Registered on the connection as collation "JET";
// the same fold gives the keys of our column indexes, so an index lookup finds exactly what
// the collation calls equal and orders ranges the same way.

#include <sqlite3.h>

#include <QString>

#include <string>
#include <string_view>

namespace sql {

// The folded form: equal folds <=> equal under the collation; byte order = collation order.
std::string foldKey(std::string_view utf8);
QString foldText(const QString& text);

int compareFolded(std::string_view a, std::string_view b);

// Registers "JET"; throws automation::Error on failure.
void registerCollation(sqlite3* db);

} // namespace sql
