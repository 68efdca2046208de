#include "report/frmreport.h"

#include "automation/object.h"
#include "dao/field_type_text.h"
#include "reportengine/controls/label.h"
#include "reportengine/controls/shape.h"
#include "reportengine/controls/sysdata.h"
#include "reportengine/report/qrreport.h"
#include "text/valuetext.h"

#include <QPainter>

namespace {

using automation::Variant;

int count(const Variant& owner, const char* collection)
{
    return automation::get(automation::get(owner, QString::fromLatin1(collection)), QStringLiteral("Count")).toInt();
}

Variant item(const Variant& owner, const char* collection, int index)
{
    return automation::get(owner, QString::fromLatin1(collection), Variant(std::int32_t(index)));
}

QString text(const Variant& object, const char* member)
{
    return valuetext::toText(automation::get(object, QString::fromLatin1(member)));
}

TQRBand* band(TQRReport* report, const char* name, TQRBandType type, long double height)
{
    auto* b = new TQRBand(report, type);
    b->setObjectName(QString::fromLatin1(name));
    b->Size.setNativeValue(0, height);
    return b;
}

template <typename T>
T* control(TQRBand* parent, const char* name, long double height, long double left, long double top, long double width)
{
    auto* c = new T(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setBounds(left, top, width, height);
    return c;
}

TQRShape* box(TQRBand* parent, const char* name, long double height, long double left, long double top,
              long double width, bool silver)
{
    auto* shape = control<TQRShape>(parent, name, height, left, top, width);
    shape->Shape = TQRShapeType::qrsRectangle;
    if (silver)
        shape->Brush = QBrush(QColor(192, 192, 192), Qt::SolidPattern);
    return shape;
}

TQRLabel* label(TQRBand* parent, const char* name, long double height, long double left, long double top,
                long double width, const QString& caption, int fontSize, bool bold = false,
                const QString& face = proportionalFaceName())
{
    auto* l = control<TQRLabel>(parent, name, height, left, top, width);
    l->setFont(reportFont(face, fontSize, bold));
    l->setFontSize(fontSize);
    l->setCaption(caption);
    return l;
}

} // namespace

QImage keyPicture()
{
    // A brass key lying across the top left: the image box shows about 13 of the 16 pixels.
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor brass(192, 160, 0), dark(128, 96, 0);
    p.setPen(dark);
    p.setBrush(brass);
    p.drawEllipse(QRect(0, 2, 6, 6));                 // bow
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRect(2, 4, 2, 2));                    // hole
    p.setBrush(brass);
    p.drawRect(QRect(6, 4, 7, 2));                    // shaft
    p.setBrush(dark);
    p.drawRect(QRect(6, 6, 7, 1));
    p.drawRect(QRect(9, 7, 1, 2));                    // teeth
    p.drawRect(QRect(11, 7, 2, 3));
    p.end();
    return image.convertToFormat(QImage::Format_Indexed8).convertToFormat(QImage::Format_ARGB32);
}

TfrmReport::TfrmReport(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmReport"));
    Image1 = keyPicture();
    createLayout();
}

TfrmReport::~TfrmReport() = default;

void TfrmReport::createLayout()
{
    QRReport1 = new TQRReport(this);
    QRReport1->setObjectName(QStringLiteral("QRReport1"));
    QRReport1->Font = reportFont(proportionalFaceName(), 9);
    QRReport1->Options = {true, true, false};
    QRReport1->setPrintIfEmpty(false);
    QRReport1->Page.setPaperSize(TQRPaperSize::A4);
    QRReport1->Page.setOrientation(TPrinterOrientation::poPortrait);
    QRReport1->Page.setColumns(1);
    QRReport1->Page.loadValues({100.0L, 2970.0L, 100.0L, 2100.0L, 100.0L, 100.0L, 0.0L});
    QRReport1->setZoom(120);
    QRReport1->SnapToGrid = true;
    QRReport1->PrinterSettings = {};
    QRReport1->ReportTitle.clear();
    QRReport1->BeforePrint = [this](TQRReport* sender, bool& print) { QRReport1BeforePrint(sender, print); };
    QRReport1->OnNeedData = [this](QObject* sender, bool& more) { QRReport1NeedData(sender, more); };
    // One row a field: the progress shown is the share of the fields printed.
    QRReport1->RecordCount = [this] { return count(tableDef ? tableDef() : Variant(), "Fields"); };

    QRBand1 = band(QRReport1, "QRBand1", TQRBandType::rbPageHeader, 134.497L);
    lblTitle = label(QRBand1, "lblTitle", 72.760L, 101.424L, 0.0L, 207.257L, QStringLiteral("lblTitle"), 20);
    QRSysData1 = control<TQRSysData>(QRBand1, "QRSysData1", 33.073L, 1682.309L, 13.229L, 167.569L);
    QRSysData1->setFontSize(9);
    QRSysData1->setData(TQRSysDataType::qrsDateTime);
    lblDBName = label(QRBand1, "lblDBName", 33.073L, 101.424L, 83.785L, 154.340L, QStringLiteral("lblDBName"), 9);

    QRBand2 = band(QRReport1, "QRBand2", TQRBandType::rbColumnHeader, 105.833L);
    QRShape8 = box(QRBand2, "QRShape8", 84.667L, 1164.167L, 31.750L, 722.313L, true);
    QRShape7 = box(QRBand2, "QRShape7", 83.785L, 970.139L, 30.868L, 196.233L, true);
    QRShape6 = box(QRBand2, "QRShape6", 83.785L, 635.0L, 30.868L, 337.344L, true);
    QRShape5 = box(QRBand2, "QRShape5", 84.667L, 190.5L, 31.750L, 447.146L, true);
    QRLabel2 = label(QRBand2, "QRLabel2", 44.097L, 227.101L, 52.917L, 211.667L, QStringLiteral("FieldName"), 12, true);
    QRLabel3 = label(QRBand2, "QRLabel3", 44.097L, 646.024L, 52.917L, 103.628L, QStringLiteral("Type"), 12, true);
    QRLabel4 = label(QRBand2, "QRLabel4", 44.097L, 1069.358L, 52.917L, 90.399L, QStringLiteral("Size"), 12, true);
    QRLabel5 = label(QRBand2, "QRLabel5", 44.097L, 1175.191L, 52.917L, 196.233L, QStringLiteral("Comment"), 12, true);
    for (TQRLabel* head : {QRLabel2, QRLabel3, QRLabel4, QRLabel5})
        head->Transparent = true;

    QRBand3 = band(QRReport1, "QRBand3", TQRBandType::rbDetail, 52.917L);
    QRShape4 = box(QRBand3, "QRShape4", 55.563L, 1164.167L, -2.646L, 722.313L, false);
    QRShape3 = box(QRBand3, "QRShape3", 55.122L, 970.139L, -2.205L, 196.233L, false);
    QRShape2 = box(QRBand3, "QRShape2", 55.122L, 635.0L, -2.205L, 337.344L, false);
    QRShape1 = box(QRBand3, "QRShape1", 55.563L, 190.5L, -2.646L, 447.146L, false);
    lblName = label(QRBand3, "lblName", 33.073L, 235.920L, 11.024L, 110.243L, QStringLiteral("lblName"), 9);
    lblType = label(QRBand3, "lblType", 33.073L, 646.024L, 11.024L, 114.653L, QStringLiteral("lblName"), 9, false,
                    fixedFaceName());
    // Right-aligned, so not sized to its text: its box is the stored one.
    lblSize = new TQRLabel(QRBand3);
    lblSize->setObjectName(QStringLiteral("lblSize"));
    lblSize->setAlignment(TAlignment::taRightJustify);
    lblSize->setFont(reportFont(proportionalFaceName(), 9));
    lblSize->setBounds(996.597L, 11.024L, 158.750L, 35.278L);
    lblSize->setCaption(QStringLiteral("lblSize"));
    lblComment = label(QRBand3, "lblComment", 33.073L, 1175.191L, 11.024L, 160.955L, QStringLiteral("lblComment"), 9);
    QRImage1 = control<TQRImage>(QRBand3, "QRImage1", 35.278L, 198.438L, 8.819L, 35.278L);

    QRBand4 = band(QRReport1, "QRBand4", TQRBandType::rbPageFooter, 105.833L);
    QRSysData2 = control<TQRSysData>(QRBand4, "QRSysData2", 33.073L, 1719.792L, 57.326L, 160.955L);
    QRSysData2->setFontSize(9);
    QRSysData2->setData(TQRSysDataType::qrsPageNumber);

    QRReport1->setUnits(TQRUnit::MM);
}

QString TfrmReport::databaseLine(const QString& databasePath)
{
    qsizetype cut = -1;
    for (QChar separator : {QLatin1Char('/'), QLatin1Char('\\'), QLatin1Char(':')})
        cut = std::max(cut, databasePath.lastIndexOf(separator));
    return QStringLiteral("( ") + databasePath.mid(cut + 1) + QStringLiteral(" )");
}

void TfrmReport::setTitles(const automation::Variant& table, const automation::Variant& database)
{
    lblTitle->setCaption(text(table, "Name"));
    lblDBName->setCaption(databaseLine(text(database, "Name")));
}

TfrmReport::Titles TfrmReport::titles() const
{
    return {lblTitle->Caption(), lblDBName->Caption()};
}

void TfrmReport::setTitles(const Titles& titles)
{
    lblTitle->setCaption(titles.title);
    lblDBName->setCaption(titles.database);
}

void TfrmReport::QRReport1BeforePrint(TQRReport*, bool&)
{
    ReportFieldIndex = 0;
}

void TfrmReport::QRReport1NeedData(QObject*, bool& moreData)
{
    const Variant table = tableDef ? tableDef() : Variant();
    moreData = ReportFieldIndex <= count(table, "Fields") - 1;
    if (!moreData)
        return;
    const Variant field = item(table, "Fields", ReportFieldIndex);
    const QString fieldName = text(field, "Name");
    lblName->setCaption(fieldName);
    const int type = automation::get(field, QStringLiteral("type")).toInt();
    const int flags = type == 4 ? automation::get(field, QStringLiteral("Attributes")).toInt() : 0;
    lblType->setCaption(dao::fieldTypeText(type, flags));
    lblSize->setCaption(QString::number(automation::get(field, QStringLiteral("Size")).toInt64()));
    lblComment->setCaption(QString());
    const int properties = count(field, "Properties");
    for (int i = 0; i < properties; ++i) {
        const Variant property = item(field, "Properties", i);
        if (text(property, "Name") == QLatin1String("Description")) {
            lblComment->setCaption(valuetext::toText(automation::get(property, QStringLiteral("Value"))));
            break;
        }
    }
    QRImage1->setPicture(QImage());
    if (count(table, "Indexes") > 0) {
        const Variant index = item(table, "Indexes", 0);
        const int keys = count(index, "Fields");
        for (int i = 0; i < keys; ++i) {
            if (fieldName == text(item(index, "Fields", i), "Name"))
                QRImage1->setPicture(Image1);
        }
    }
    ++ReportFieldIndex;
}
