#pragma once
// Export filters: each writes the stored pages of a finished printer object to a file of its own
// kind. The library lists them in registration order (the preview's save dialog offers them after
// the report file); the text export is the one registered.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TQRPrinter;

class TQRExportFilter : public QObject {
    Q_OBJECT

public:
    explicit TQRExportFilter(QString fileName) : m_fileName(std::move(fileName)) {}
    QString FileName() const { return m_fileName; }
    // Writes every stored page. Throws EQRError when the file cannot be written, and after
    // writing the rest when pages could not be read (naming them).
    virtual void ExportPages(TQRPrinter& printer) = 0;

private:
    QString m_fileName;
};

// Pages as text: each page's lines top to bottom, the texts of a line left to right (tab
// between texts that stand apart), pages separated by a line of dashes; UTF-8, CR LF.
class TQRTextExportFilter : public TQRExportFilter {
    Q_OBJECT

public:
    using TQRExportFilter::TQRExportFilter;
    void ExportPages(TQRPrinter& printer) override;
    static QString PageSeparator() { return QStringLiteral("----------------------------------------"); }
};

struct TQRExportFilterEntry {
    QString Name;        // as the save dialog shows it
    QString Extension;   // without the dot
    std::function<std::unique_ptr<TQRExportFilter>(const QString& fileName)> Create;
};

class TQRExportFilterLibrary {
public:
    static const std::vector<TQRExportFilterEntry>& Filters();
};
