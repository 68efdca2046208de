#include "reportengine/printer/paper.h"

namespace {

const std::array<PaperSizeInfo, kPaperSizeCount> kPapers = {{
    {TQRPaperSize::Default, 0, 0, 0, "ﾃﾞﾌｫﾙﾄ ｻｲｽﾞ"},
    {TQRPaperSize::Letter, 1, 215.9, 279.4, "Letter 8 1/2 x 11 in"},
    {TQRPaperSize::LetterSmall, 2, 215.9, 279.4, "Letter Small 8 1/2 x 11 in"},
    {TQRPaperSize::Tabloid, 3, 279.4, 431.8, "Tabloid 11 x 17 in"},
    {TQRPaperSize::Ledger, 4, 431.8, 279.4, "Ledger 17 x 11 in"},
    {TQRPaperSize::Legal, 5, 215.9, 355.6, "Legal 8 1/2 x 14 in"},
    {TQRPaperSize::Statement, 6, 139.7, 215.9, "Statement 5 1/2 x 8 1/2 in"},
    {TQRPaperSize::Executive, 7, 190.5, 254.0, "Executive7 1/2 x 10 in"},
    {TQRPaperSize::A3, 8, 297.0, 420.0, "A3 297 x 420 mm"},
    {TQRPaperSize::A4, 9, 210.0, 297.0, "A4 210 x 297 mm"},
    {TQRPaperSize::A4Small, 10, 210.0, 297.0, "A4 Small 210 x 297 mm"},
    {TQRPaperSize::A5, 11, 148.0, 210.0, "A5 148 x 210 mm"},
    {TQRPaperSize::B4, 12, 250.0, 354.0, "B4 250 x 354 mm"},
    {TQRPaperSize::B5, 13, 182.0, 257.0, "B5 182 x 257 mm"},
    {TQRPaperSize::Folio, 14, 215.9, 330.2, "Folio 8 1/2 x 13 in"},
    {TQRPaperSize::Quarto, 15, 215.0, 275.0, "Quarto 215 x 275 mm"},
    {TQRPaperSize::qr10X14, 16, 254.0, 355.6, "10x14 in"},
    {TQRPaperSize::qr11X17, 17, 279.4, 431.8, "11x17 in"},
    {TQRPaperSize::Note, 18, 215.9, 279.0, "Note 8 1/2 x 11 in"},
    {TQRPaperSize::Env9, 19, 98.43, 225.4, "Envelope #9 3 7/8 x 8 7/8"},
    {TQRPaperSize::Env10, 20, 104.8, 241.3, "Envelope #10 4 1/8 x 9 1/2"},
    {TQRPaperSize::Env11, 21, 114.3, 263.5, "Envelope #11 4 1/2 x 10 3/8"},
    {TQRPaperSize::Env12, 22, 101.6, 279.4, "Envelope #12 4 3/4 x 11"},
    {TQRPaperSize::Env14, 23, 127.0, 292.1, "Envelope #14 4 5 x 11 1/2"},
    {TQRPaperSize::CSheet, 24, 100.0, 100.0, "C size sheet"},
    {TQRPaperSize::DSheet, 25, 100.0, 100.0, "D size sheet"},
    {TQRPaperSize::ESheet, 26, 100.0, 100.0, "E size sheet"},
    {TQRPaperSize::Custom, 256, 0, 0, "ｶｽﾀﾑ ｻｲｽﾞ"},
}};

constexpr std::array<int, kBinCount> kBinCodes = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14};

} // namespace

const PaperSizeInfo& paperSizeInfo(TQRPaperSize size)
{
    const auto i = std::size_t(size);
    return kPapers[i < kPapers.size() ? i : 0];
}

QString paperSizeDisplayText(TQRPaperSize size)
{
    return QString::fromUtf8(paperSizeInfo(size).display);
}

std::optional<TQRPaperSize> paperSizeFromCode(int code)
{
    for (const PaperSizeInfo& p : kPapers) {
        if (p.code == code)
            return p.size;
    }
    return std::nullopt;
}

int binCode(TQRBin bin)
{
    const auto i = std::size_t(bin);
    return i < kBinCodes.size() ? kBinCodes[i] : 1;
}

std::optional<TQRBin> binFromCode(int code)
{
    for (int i = 0; i < kBinCount; ++i) {
        if (kBinCodes[std::size_t(i)] == code)
            return TQRBin(i);
    }
    return std::nullopt;
}
