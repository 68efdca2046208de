#pragma once
// The printer object's own system printer: one installed printer with its device-mode block, and
// the job on it.

#include "reportengine/printer/printer_device.h"

#include <memory>

class QRSystemPrinter {
public:
    QRSystemPrinter();   // on the default printer

    // -1 selects the default printer; the device mode becomes that printer's own.
    void setPrinterIndex(int index);
    int printerIndex() const { return m_index; }
    // The printer the application has selected (the shared printer object), with its settings.
    void followApplicationPrinter();

    PrinterDevice* device() const { return m_device.get(); }
    QString deviceName() const;
    const DeviceMode& deviceMode() const { return m_mode; }
    void setDeviceMode(const DeviceMode& mode) { m_mode = mode; }

    bool printing() const { return m_job != nullptr; }
    // Begins a job; false when the user declined it (nothing begun).
    bool beginDoc(const QString& title);
    void newPage();
    void endDoc();
    void abort();
    QPainter* canvas() const { return m_job ? &m_job->painter() : nullptr; }
    int sheets() const { return m_job ? m_job->sheets() : 0; }

private:
    std::shared_ptr<PrinterDevice> m_device;
    int m_index = -1;
    DeviceMode m_mode;
    std::unique_ptr<PrintJob> m_job;
};
