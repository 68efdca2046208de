#pragma once
// Text the system supplies at print time: date, time, page number, title, detail counters.

#include "reportengine/controls/label.h"

#include <QDateTime>
#include <QLocale>

#include <functional>

enum class TQRSysDataType { qrsTime, qrsDate, qrsDateTime, qrsPageNumber, qrsReportTitle, qrsDetailCount, qrsDetailNo };

class TQRSysData : public TQRCustomLabel {
    Q_OBJECT

public:
    explicit TQRSysData(QObject* parent = nullptr);

    TQRSysDataType Data() const { return m_data; }
    void setData(TQRSysDataType data);
    QString Text() const { return m_text; }
    void setText(const QString& text);

    void Print(long double offsetX, long double offsetY) override;

    // The clock the date and time come from (tests set a fixed one).
    static void setClock(std::function<QDateTime()> clock);

protected:
    long double keepOnPage(long double anchorX, long double textWidthNative) const override;

private:
    void showDesignCaption();
    TQRSysDataType m_data = TQRSysDataType::qrsTime;
    QString m_text;
};

// Date and time as the desktop's regional settings write them: the short date, and unless the
// time is midnight, a space and the long time (Japanese: "yyyy/MM/dd H:mm:ss"). The default
// locale follows the system unless the program sets another.
QString qrDateTimeText(const QDateTime& when, const QLocale& locale = QLocale());
QString qrDateText(const QDate& date, const QLocale& locale = QLocale());
QString qrShortTimeText(const QTime& time, const QLocale& locale = QLocale());
QString qrShortDateFormat(const QLocale& locale);
QString qrLongTimeFormat(const QLocale& locale);
