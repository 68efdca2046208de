#pragma once
// DAO's view of a column: type code, size and attribute flags, and values as variants.

#include "automation/variant.h"
#include "jet/table.h"
#include "jet/value.h"

namespace dao {

struct DatabaseState;

// DataTypeEnum values.
namespace type_code {
inline constexpr int Boolean = 1, Byte = 2, Integer = 3, Long = 4, Currency = 5, Single = 6,
                     Double = 7, Date = 8, Binary = 9, Text = 10, LongBinary = 11, Memo = 12,
                     Guid = 15, BigInt = 16, Decimal = 20, DateTimeExtended = 26,
                     Attachment = 101, ComplexByte = 102, ComplexInteger = 103, ComplexLong = 104,
                     ComplexSingle = 105, ComplexDouble = 106, ComplexGuid = 107,
                     ComplexDecimal = 108, ComplexText = 109;
}

// FieldAttributeEnum bits.
namespace field_attr {
inline constexpr int Fixed = 0x1, Variable = 0x2, AutoIncrement = 0x10, Hyperlink = 0x8000;
inline constexpr int Descending = 0x1;   // on an index's field
}

// DAO type code of a column; complex columns look their kind up in MSysComplexColumns.
int fieldType(const jet::Column& column, DatabaseState& state);
// Text: characters; memo, OLE: 0; binary: its maximum bytes; fixed types: their width.
int fieldSize(const jet::Column& column);
int fieldAttributes(const jet::Column& column);

// A cell or property value as the engine hands it out.
automation::Variant toVariant(const jet::Value& value);

} // namespace dao
