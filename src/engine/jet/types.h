#pragma once
// Column type codes as the table definition stores them.
#include <cstdint>
#include <string_view>

namespace jet {

enum class ColumnType : uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,   // 16-bit
    Long = 0x04,      // 32-bit
    Currency = 0x05,  // int64 scaled by 10000
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,  // OLE date (double)
    Binary = 0x09,
    Text = 0x0A,
    OLE = 0x0B,
    Memo = 0x0C,
    Guid = 0x0F,
    Numeric = 0x10,      // Decimal: sign byte + 128-bit mantissa, precision/scale in the definition
    Complex = 0x12,      // attachments, multi-value fields: a key into a hidden table
    BigInt = 0x13,
    ExtDateTime = 0x14,  // Date/Time Extended (ACE 2019+): 42 ASCII characters
};

// "Boolean", "Text", ... ; "Unknown" for codes we do not know.
std::string_view columnTypeName(uint8_t code);

// Width in bytes of a fixed-width type, 0 for variable or unknown types.
uint16_t fixedWidth(uint8_t code);

enum class Version : uint8_t {
    Jet3 = 0,     // Access 97, 2 KB pages
    Jet4 = 1,     // Access 2000-2003
    Ace12 = 2,    // Access 2007
    Ace14 = 3,    // Access 2010
    Ace15 = 4,    // Access 2013
    Ace16 = 5,    // Access 2016
    Ace17 = 6,    // Access 2019+
};

std::string_view versionName(Version v);

}  // namespace jet
