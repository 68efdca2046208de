#include "reportengine/progress/qrprogressform.h"

#include "reportengine/printer/qrprinter.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

TQRProgressForm::TQRProgressForm(TQRPrinter* printer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint), m_printer(printer)
{
    setObjectName(QStringLiteral("QRProgressForm"));
    setWindowTitle(QStringLiteral("印刷中"));
    setFixedSize(147, 84);
    Info = new QLabel(this);
    Info->setObjectName(QStringLiteral("Info"));
    Info->setGeometry(0, 28, 145, 16);
    Info->setAlignment(Qt::AlignCenter);
    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(36, 52, 75, 25);
    Gauge = new QProgressBar(this);
    Gauge->setObjectName(QStringLiteral("Gauge"));
    Gauge->setRange(0, 100);
    Gauge->setTextVisible(false);
    Gauge->setGeometry(10, 10, width() - 20, 15);
    connect(CancelButton, &QPushButton::clicked, this, &TQRProgressForm::CancelButtonClick);
}

void TQRProgressForm::CancelButtonClick()
{
    if (m_printer)
        m_printer->Cancel();
}

void TQRProgressForm::closeEvent(QCloseEvent* e)
{
    // Closing the window is the same request as its cancel button.
    CancelButtonClick();
    e->accept();
}

bool TQRProgressForm::event(QEvent* e)
{
    if (e->type() == QRMessageEvent::typeFor(kQRProgressMessage)) {
        const int percent = m_printer ? m_printer->Progress() : 0;
        if (percent % 5 == 0) {
            Gauge->setValue(percent);
            Info->setText(QString::number(percent) + QStringLiteral("% 完了"));
            QCoreApplication::processEvents();
        }
        return true;
    }
    return QDialog::event(e);
}
