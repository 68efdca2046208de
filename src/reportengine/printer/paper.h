#pragma once
// Paper sizes and paper bins with the device codes that printers report and accept.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

enum class TQRPaperSize : std::uint8_t {
    Default, Letter, LetterSmall, Tabloid, Ledger, Legal, Statement, Executive, A3, A4, A4Small, A5,
    B4, B5, Folio, Quarto, qr10X14, qr11X17, Note, Env9, Env10, Env11, Env12, Env14, CSheet, DSheet,
    ESheet, Custom,
};
constexpr int kPaperSizeCount = int(TQRPaperSize::Custom) + 1;

struct PaperSizeInfo {
    TQRPaperSize size;
    int code;              // device paper code
    double widthMm;        // portrait sense; 0 for Default and Custom
    double lengthMm;
    const char* display;   // UTF-8
};

const PaperSizeInfo& paperSizeInfo(TQRPaperSize size);
QString paperSizeDisplayText(TQRPaperSize size);
// The first size whose code matches, in table order.
std::optional<TQRPaperSize> paperSizeFromCode(int code);

enum class TQRBin : std::uint8_t {
    First, Upper, Lower, Middle, Manual, Envelope, EnvManual, Auto, Tractor, SmallFormat, LargeFormat,
    LargeCapacity, Cassette, Last,
};
constexpr int kBinCount = int(TQRBin::Last) + 1;

int binCode(TQRBin bin);
// The first bin whose code matches, in enumeration order.
std::optional<TQRBin> binFromCode(int code);

// Device paper codes beyond the table that printers report (metric and JIS sizes).
namespace papercode {
constexpr int A6 = 70;
constexpr int B5Iso = 34;      // 176 x 250 mm
constexpr int B6Jis = 88;
constexpr int Postcard = 43;   // Japanese postcard 100 x 148 mm
} // namespace papercode
