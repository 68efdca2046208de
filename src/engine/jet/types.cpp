#include "jet/types.h"

namespace jet {

std::string_view columnTypeName(uint8_t code) {
    switch (code) {
    case 0x01: return "Boolean";
    case 0x02: return "Byte";
    case 0x03: return "Integer";
    case 0x04: return "Long";
    case 0x05: return "Currency";
    case 0x06: return "Single";
    case 0x07: return "Double";
    case 0x08: return "DateTime";
    case 0x09: return "Binary";
    case 0x0A: return "Text";
    case 0x0B: return "OLE";
    case 0x0C: return "Memo";
    case 0x0F: return "GUID";
    case 0x10: return "Numeric";
    case 0x12: return "Complex";
    case 0x13: return "BigInt";
    case 0x14: return "ExtDateTime";
    default: return "Unknown";
    }
}

uint16_t fixedWidth(uint8_t code) {
    switch (code) {
    case 0x01: return 0;  // lives in the null mask
    case 0x02: return 1;
    case 0x03: return 2;
    case 0x04: return 4;
    case 0x05: return 8;
    case 0x06: return 4;
    case 0x07: return 8;
    case 0x08: return 8;
    case 0x0F: return 16;
    case 0x10: return 17;
    case 0x12: return 4;
    case 0x13: return 8;
    case 0x14: return 42;
    default: return 0;
    }
}

std::string_view versionName(Version v) {
    switch (v) {
    case Version::Jet3: return "Jet 3 (Access 97)";
    case Version::Jet4: return "Jet 4 (Access 2000-2003)";
    case Version::Ace12: return "ACE 12 (Access 2007)";
    case Version::Ace14: return "ACE 14 (Access 2010)";
    case Version::Ace15: return "ACE 15 (Access 2013)";
    case Version::Ace16: return "ACE 16 (Access 2016)";
    case Version::Ace17: return "ACE 17 (Access 2019)";
    }
    return "unknown";
}

}  // namespace jet
