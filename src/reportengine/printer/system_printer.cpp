#include "reportengine/printer/system_printer.h"

QRSystemPrinter::QRSystemPrinter()
{
    setPrinterIndex(-1);
}

void QRSystemPrinter::setPrinterIndex(int index)
{
    PrinterRegistry& registry = PrinterRegistry::global();
    m_device = registry.printer(index);
    m_index = index < 0 ? registry.defaultIndex() : index;
    m_mode = m_device ? m_device->defaultDeviceMode() : DeviceMode();
}

void QRSystemPrinter::followApplicationPrinter()
{
    setPrinterIndex(PrinterRegistry::global().currentIndex());
}

QString QRSystemPrinter::deviceName() const
{
    return m_device ? m_device->name() : QString();
}

bool QRSystemPrinter::beginDoc(const QString& title)
{
    if (!m_device)
        return false;
    m_job = m_device->beginJob(m_mode, title);
    return m_job != nullptr;
}

void QRSystemPrinter::newPage()
{
    if (m_job)
        m_job->newSheet();
}

void QRSystemPrinter::endDoc()
{
    if (!m_job)
        return;
    std::unique_ptr<PrintJob> job = std::move(m_job);
    job->end();
}

void QRSystemPrinter::abort()
{
    if (!m_job)
        return;
    std::unique_ptr<PrintJob> job = std::move(m_job);
    job->abort();
}
