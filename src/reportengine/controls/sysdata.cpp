#include "reportengine/controls/sysdata.h"

#include "reportengine/printer/qrprinter.h"
#include "reportengine/report/qrreport.h"

#include <QRegularExpression>

namespace {

std::function<QDateTime()>& sysClock()
{
    static std::function<QDateTime()> c = [] { return QDateTime::currentDateTime(); };
    return c;
}

const char* const kKindNames[] = {"時刻", "日付", "日付/時刻", "ﾍﾟｰｼﾞ番号", "ﾚﾎﾟｰﾄ ﾀｲﾄﾙ", "詳細数", "詳細番号"};

} // namespace

QString qrShortDateFormat(const QLocale& locale)
{
    // Dates on paper carry the whole year, as the desktop's short date does.
    QString format = locale.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return format;
}

QString qrLongTimeFormat(const QLocale& locale)
{
    // The desktop's long time is its short time with seconds (Japanese "H:mm:ss"); Qt's own long
    // formats add words and time zones ("H時mm分ss秒 t").
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1Char('s')))
        return format;
    const qsizetype minutes = format.indexOf(QLatin1String("mm"));
    if (minutes < 0)
        return format + QStringLiteral(":ss");
    QString separator = QStringLiteral(":");
    if (minutes > 0 && !format[minutes - 1].isLetter() && format[minutes - 1] != QLatin1Char('\''))
        separator = format[minutes - 1];
    format.insert(minutes + 2, separator + QStringLiteral("ss"));
    return format;
}

QString qrDateText(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, qrShortDateFormat(locale));
}

QString qrShortTimeText(const QTime& time, const QLocale& locale)
{
    return locale.toString(time, locale.timeFormat(QLocale::ShortFormat));
}

QString qrDateTimeText(const QDateTime& when, const QLocale& locale)
{
    QString text = qrDateText(when.date(), locale);
    const QTime t = when.time();
    if (t.hour() != 0 || t.minute() != 0 || t.second() != 0)
        text += QLatin1Char(' ') + locale.toString(t, qrLongTimeFormat(locale));
    return text;
}

void TQRSysData::setClock(std::function<QDateTime()> c)
{
    sysClock() = c ? std::move(c) : [] { return QDateTime::currentDateTime(); };
}

TQRSysData::TQRSysData(QObject* parent) : TQRCustomLabel(parent)
{
    showDesignCaption();
}

void TQRSysData::setData(TQRSysDataType data)
{
    m_data = data;
    showDesignCaption();
}

void TQRSysData::setText(const QString& text)
{
    m_text = text;
    showDesignCaption();
}

void TQRSysData::showDesignCaption()
{
    if (!IsPrinting())
        setCaption(m_text + QLatin1Char('(') + QString::fromUtf8(kKindNames[int(m_data)]) + QLatin1Char(')'));
}

void TQRSysData::Print(long double ox, long double oy)
{
    const TQRReport* report = ParentReport();
    const QDateTime now = sysClock()();
    QString value;
    switch (m_data) {
    case TQRSysDataType::qrsTime: value = qrShortTimeText(now.time()); break;
    case TQRSysDataType::qrsDate: value = qrDateText(now.date()); break;
    case TQRSysDataType::qrsDateTime: value = qrDateTimeText(now); break;
    case TQRSysDataType::qrsPageNumber: value = QString::number(report ? report->PageCount : 0); break;
    case TQRSysDataType::qrsReportTitle: value = report ? report->ReportTitle : QString(); break;
    case TQRSysDataType::qrsDetailCount: value = QStringLiteral("1"); break;
    case TQRSysDataType::qrsDetailNo: value = QString::number(report ? report->Controller().RecordNumber : 0); break;
    }
    setCaption(m_text + value);
    TQRCustomLabel::Print(ox, oy);
}

long double TQRSysData::keepOnPage(long double anchorX, long double textWidth) const
{
    // A date or time that would run past the page's right margin moves left by the overhang,
    // never left of the left margin: a cut-off time is a wrong printout.
    const TQRReport* report = ParentReport();
    if (!report || Alignment() != TAlignment::taLeftJustify)
        return 0;
    const long double right = report->Page.nativeValue(TQRPage::iWidth) - report->Page.nativeValue(TQRPage::iRightMargin);
    const long double left = report->Page.nativeValue(TQRPage::iLeftMargin);
    const long double overhang = anchorX + textWidth - right;
    if (overhang <= 0)
        return 0;
    return std::min(overhang, std::max<long double>(0, anchorX - left));
}
