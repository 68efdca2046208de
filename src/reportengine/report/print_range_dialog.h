#pragma once
// The print-range dialog of a report: printer, orientation, copies and the pages to print.

#include "reportengine/report/units.h"

#include <QDialog>

class QComboBox;
class QRadioButton;
class QSpinBox;

class TQRPrintRangeDialog : public QDialog {
    Q_OBJECT

public:
    explicit TQRPrintRangeDialog(QWidget* parent = nullptr);

    void setCopies(int copies);
    int copies() const;
    void setPrinterIndex(int index);
    int printerIndex() const;
    void setOrientation(TPrinterOrientation orientation);
    TPrinterOrientation orientation() const;
    // The pages a range may name; without limits any page number is allowed.
    void setPageLimits(int first, int last);
    void setRange(int from, int to);       // selects "pages"
    void setAllPages();
    bool allPages() const;
    int fromPage() const;
    int toPage() const;

    QComboBox* cboPrinter = nullptr;
    QRadioButton* rbPortrait = nullptr;
    QRadioButton* rbLandscape = nullptr;
    QSpinBox* edtCopies = nullptr;
    QRadioButton* rbAll = nullptr;
    QRadioButton* rbPages = nullptr;
    QSpinBox* edtFrom = nullptr;
    QSpinBox* edtTo = nullptr;
};
