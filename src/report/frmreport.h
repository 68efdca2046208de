#pragma once
// The form that holds the field-definition report. It is created at start and never shown: its
// report lists the fields of a table, one row each, fed from the database engine.

#include "automation/variant.h"

#include <QImage>
#include <QWidget>

#include <functional>

class TQRBand;
class TQRImage;
class TQRLabel;
class TQRReport;
class TQRShape;
class TQRSysData;

class TfrmReport : public QWidget {
    Q_OBJECT

public:
    explicit TfrmReport(QWidget* parent = nullptr);
    ~TfrmReport() override;

    // The table the report describes (the main window's TableDef when the report runs).
    std::function<automation::Variant()> tableDef;

    TQRReport* QRReport1 = nullptr;
    TQRBand* QRBand1 = nullptr;      // page header
    TQRLabel* lblTitle = nullptr;
    TQRSysData* QRSysData1 = nullptr;
    TQRLabel* lblDBName = nullptr;
    TQRBand* QRBand2 = nullptr;      // column header
    TQRShape* QRShape8 = nullptr;
    TQRShape* QRShape7 = nullptr;
    TQRShape* QRShape6 = nullptr;
    TQRShape* QRShape5 = nullptr;
    TQRLabel* QRLabel2 = nullptr;
    TQRLabel* QRLabel3 = nullptr;
    TQRLabel* QRLabel4 = nullptr;
    TQRLabel* QRLabel5 = nullptr;
    TQRBand* QRBand3 = nullptr;      // detail
    TQRShape* QRShape4 = nullptr;
    TQRShape* QRShape3 = nullptr;
    TQRShape* QRShape2 = nullptr;
    TQRShape* QRShape1 = nullptr;
    TQRLabel* lblName = nullptr;
    TQRLabel* lblType = nullptr;
    TQRLabel* lblSize = nullptr;
    TQRLabel* lblComment = nullptr;
    TQRImage* QRImage1 = nullptr;
    TQRBand* QRBand4 = nullptr;      // page footer
    TQRSysData* QRSysData2 = nullptr;
    QImage Image1;                   // the key picture

    int ReportFieldIndex = 0;

    void QRReport1BeforePrint(TQRReport* sender, bool& printReport);
    void QRReport1NeedData(QObject* sender, bool& moreData);

    // The captions Print1Click and btnPreviewClick set before the run.
    void setTitles(const automation::Variant& tableDef, const automation::Variant& database);
    struct Titles {
        QString title;      // lblTitle
        QString database;   // lblDBName
    };
    Titles titles() const;
    void setTitles(const Titles& titles);
    // "( name.mdb )" from a database path with '/', '\' or a drive colon.
    static QString databaseLine(const QString& databasePath);

private:
    void createLayout();
};

// The key picture: a 16 x 16 icon of 16 colours.
QImage keyPicture();
