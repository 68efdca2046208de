#pragma once
// How a value the engine returns reads in a grid cell: the platform conversion of a variant to text
// with the user's locale and no flags.

#include "automation/variant.h"

#include <QLocale>
#include <QString>

namespace valuetext {

// Null and Empty give an empty text; binary values a size and a short hex preview.
QString toText(const automation::Variant& value, const QLocale& locale = QLocale::system());

// %.7G / %.15G with the locale's decimal separator.
QString formatSingle(float value, const QLocale& locale);
QString formatDouble(double value, const QLocale& locale);

// Date part in the locale's short date (four-digit year), time part with seconds; either is left
// out when it is zero.
QString formatDate(double oleDays, const QLocale& locale);

} // namespace valuetext
