#pragma once
// Horizontal bands of a report page and the panel base they share with the report.

#include "reportengine/controls/frame.h"
#include "reportengine/report/units.h"

#include <QColor>
#include <QFont>
#include <QObject>

#include <functional>
#include <vector>

class TQRPrintable;
class TQRReport;

class TQRBasePanel : public QObject {
    Q_OBJECT

public:
    explicit TQRBasePanel(QObject* parent = nullptr) : QObject(parent) {}
    TQRFrame Frame;
};

enum class TQRBandType {
    rbTitle, rbPageHeader, rbDetail, rbPageFooter, rbSummary, rbGroupHeader, rbGroupFooter, rbSubDetail,
    rbColumnHeader, rbOverlay, rbChild,
};

class TQRCustomBand : public TQRBasePanel {
    Q_OBJECT

public:
    explicit TQRCustomBand(TQRReport* report);

    virtual TQRBandType bandType() const { return TQRBandType::rbChild; }

    std::function<void(TQRCustomBand* sender, bool& printBand)> BeforePrint;
    std::function<void(TQRCustomBand* sender, bool bandPrinted)> AfterPrint;
    bool AlignToBottom = false;
    QColor Color = Qt::white;
    bool Enabled = true;
    QFont Font;
    bool ForceNewColumn = false;
    bool ForceNewPage = false;
    bool HasChild = false;
    bool ParentFont = true;
    TQRBandSize Size;

    TQRReport* ParentReport() const { return m_report; }
    void setParentReport(TQRReport* report) { m_report = report; }
    const std::vector<TQRPrintable*>& printables() const { return m_printables; }
    void addPrintable(TQRPrintable* printable) { m_printables.push_back(printable); }

    // Prints the band at the report's CurrentX, CurrentY.
    void Print();
    // Breaks to the next column or page when the band does not fit above the footer.
    void EnsureSpace();
    bool CanGrowBy(long double h) const;
    struct GrowResult {
        bool broke = false;
        long double newTop = 0;
        long double shiftX = 0;
    };
    GrowResult GrowBy(long double h);

    DeviceRect PrintRect;       // where the band last printed, device pixels

private:
    TQRReport* m_report = nullptr;
    std::vector<TQRPrintable*> m_printables;
};

class TQRBand : public TQRCustomBand {
    Q_OBJECT

public:
    TQRBand(TQRReport* report, TQRBandType type) : TQRCustomBand(report), BandType(type) {}
    TQRBandType bandType() const override { return BandType; }
    TQRBandType BandType;
};
