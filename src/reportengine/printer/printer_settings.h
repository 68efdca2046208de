#pragma once
// The settings of one system printer for the printer object, read from its device mode, and the
// report's choices written back before a job.

#include "reportengine/printer/paper.h"
#include "reportengine/printer/system_printer.h"

#include <QString>

#include <array>
#include <cstdint>

class TPrinterSettings {
public:
    TPrinterSettings() = default;

    // Assigns the system printer (not owned) and reads its settings when a printer is installed.
    void setPrinter(QRSystemPrinter* printer);
    QRSystemPrinter* printer() const { return m_printer; }

    void ReadFromDevice();
    void ApplyToDevice();
    // True when a printer is assigned and every given bit is in the device's field mask.
    bool SupportsField(unsigned bits) const;

    QString device() const { return m_device; }
    QString driver() const { return m_driver; }
    QString port() const { return m_port; }

    std::int32_t Copies() const { return m_copies; }
    void setCopies(std::int32_t copies);
    bool Duplex() const { return m_duplex; }
    std::uint8_t Orientation() const { return m_orientation; }   // 0 portrait, 1 landscape
    void setOrientation(std::uint8_t orientation);
    TQRBin OutputBin() const { return m_bin; }
    void setOutputBin(TQRBin bin);
    TQRPaperSize PaperSize() const { return m_paperSize; }
    void setPaperSize(TQRPaperSize size);
    std::int32_t PaperWidth() const { return m_paperWidth; }      // 0.1 mm, measured or set
    std::int32_t PaperLength() const { return m_paperLength; }
    void setPaperWidth(std::int32_t value);                        // only while Custom
    void setPaperLength(std::int32_t value);
    std::int32_t PaperWidthValue() const;                          // 0.1 mm, portrait sense
    std::int32_t PaperLengthValue() const;
    std::int32_t PixelsPerX() const { return m_ppiX; }
    std::int32_t PixelsPerY() const { return m_ppiY; }
    std::int32_t TopOffset() const { return m_topOffset; }
    std::int32_t LeftOffset() const { return m_leftOffset; }
    bool SupportedSizes(TQRPaperSize size) const { return m_supported[std::size_t(size)]; }

private:
    QRSystemPrinter* m_printer = nullptr;
    QString m_device, m_driver, m_port;
    std::int32_t m_copies = 0;
    bool m_duplex = false;
    std::uint8_t m_orientation = 0;
    TQRBin m_bin = TQRBin::First;
    TQRPaperSize m_paperSize = TQRPaperSize::A4;
    std::array<bool, kPaperSizeCount> m_supported{};
    std::int32_t m_paperWidth = 0, m_paperLength = 0;
    std::int32_t m_ppiX = 0, m_ppiY = 0;
    std::int32_t m_topOffset = 0, m_leftOffset = 0;
};

// The report's print options.
struct TQRPrinterSettings {
    std::int32_t Copies = 1;
    bool Duplex = false;              // kept with the report, never written to a device
    TQRBin OutputBin = TQRBin::First;
    std::int32_t PrinterIndex = -1;   // -1: the system default printer
    std::int32_t FirstPage = 0;
    std::int32_t LastPage = 0;
};
struct TQRReportPrinterSettings : TQRPrinterSettings {};
