#include "reportengine/printer/printer_settings.h"

#include "reportengine/printer/rounding.h"

void TPrinterSettings::setPrinter(QRSystemPrinter* printer)
{
    m_printer = printer;
    if (m_printer && !PrinterRegistry::global().printers().empty())
        ReadFromDevice();
}

bool TPrinterSettings::SupportsField(unsigned bits) const
{
    return m_printer && m_printer->device() && (m_printer->deviceMode().fields & bits) == bits;
}

void TPrinterSettings::ReadFromDevice()
{
    if (!m_printer || !m_printer->device())
        return;
    const PrinterDevice& dev = *m_printer->device();
    const DeviceMode& mode = m_printer->deviceMode();
    m_device = dev.name().left(127);
    m_driver = dev.driverName().left(63);
    m_port = dev.portName().left(127);
    m_ppiX = dev.dpiX();
    m_ppiY = dev.dpiY();
    m_copies = SupportsField(dm::Copies) ? mode.copies : 1;
    m_bin = TQRBin::First;
    if (SupportsField(dm::DefaultSource)) {
        if (auto bin = binFromCode(mode.defaultSource))
            m_bin = *bin;
    }
    m_duplex = SupportsField(dm::Duplex) && mode.duplex != dm::Simplex;
    if (auto offset = dev.printingOffset(mode); offset && m_ppiX > 0 && m_ppiY > 0) {
        m_leftOffset = qrRound32(offset->x() / (long double)m_ppiX * 254);
        m_topOffset = qrRound32(offset->y() / (long double)m_ppiY * 254);
    } else {
        m_leftOffset = m_topOffset = 0;
    }
    m_paperSize = TQRPaperSize::Default;
    if (SupportsField(dm::PaperSize)) {
        if (auto size = paperSizeFromCode(mode.paperSize))
            m_paperSize = *size;
    }
    DeviceMode portrait = mode;   // the paper is measured in portrait sense
    portrait.orientation = dm::Portrait;
    if (auto physical = dev.physicalSize(portrait); physical && m_ppiX > 0 && m_ppiY > 0) {
        m_paperWidth = qrRound32(physical->width() / (long double)m_ppiX * 254);
        m_paperLength = qrRound32(physical->height() / (long double)m_ppiY * 254);
    } else {
        m_paperWidth = m_paperLength = 0;
    }
    m_supported.fill(false);
    for (int code : dev.supportedPaperCodes()) {
        if (auto size = paperSizeFromCode(code))
            m_supported[std::size_t(*size)] = true;
    }
}

void TPrinterSettings::ApplyToDevice()
{
    if (!m_printer || !m_printer->device())
        return;
    DeviceMode mode = m_printer->deviceMode();
    const unsigned supported = mode.fields;
    if (m_paperSize == TQRPaperSize::Custom) {
        if (supported & dm::PaperLength)
            mode.paperLength = PaperLengthValue();
        if (supported & dm::PaperWidth)
            mode.paperWidth = PaperWidthValue();
    }
    if ((supported & dm::PaperSize) && m_paperSize != TQRPaperSize::Default)
        mode.paperSize = paperSizeInfo(m_paperSize).code;
    if (supported & dm::Copies)
        mode.copies = m_copies;
    if (supported & dm::DefaultSource)
        mode.defaultSource = binCode(m_bin);
    if (supported & dm::Orientation)
        mode.orientation = m_orientation == 1 ? dm::Landscape : dm::Portrait;
    m_printer->setDeviceMode(mode);
}

void TPrinterSettings::setCopies(std::int32_t copies)
{
    if (SupportsField(dm::Copies))
        m_copies = copies;
}

void TPrinterSettings::setOrientation(std::uint8_t orientation)
{
    if (SupportsField(dm::Orientation))
        m_orientation = orientation;
}

void TPrinterSettings::setOutputBin(TQRBin bin)
{
    if (SupportsField(dm::DefaultSource))
        m_bin = bin;
}

void TPrinterSettings::setPaperSize(TQRPaperSize size)
{
    if (size == TQRPaperSize::Default || m_supported[std::size_t(size)])
        m_paperSize = size;
}

void TPrinterSettings::setPaperWidth(std::int32_t value)
{
    if (m_paperSize == TQRPaperSize::Custom)
        m_paperWidth = value;
}

void TPrinterSettings::setPaperLength(std::int32_t value)
{
    if (m_paperSize == TQRPaperSize::Custom)
        m_paperLength = value;
}

std::int32_t TPrinterSettings::PaperWidthValue() const
{
    if (m_paperSize == TQRPaperSize::Default || m_paperSize == TQRPaperSize::Custom)
        return m_paperWidth;
    return qrRound32((long double)paperSizeInfo(m_paperSize).widthMm * 10);
}

std::int32_t TPrinterSettings::PaperLengthValue() const
{
    if (m_paperSize == TQRPaperSize::Default || m_paperSize == TQRPaperSize::Custom)
        return m_paperLength;
    return qrRound32((long double)paperSizeInfo(m_paperSize).lengthMm * 10);
}
