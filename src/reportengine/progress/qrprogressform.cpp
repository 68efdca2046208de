#include "reportengine/progress/qrprogressform.h"

#include "reportengine/printer/qrprinter.h"
#include "reportengine/progress/qrgauge.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TQRProgressForm::TQRProgressForm(TQRPrinter* printer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint), m_printer(printer)
{
    setObjectName(QStringLiteral("QRProgressForm"));
    setWindowTitle(QStringLiteral("印刷中"));
    setFixedSize(147, 84);
    // It shows what goes on; the window the print was given from keeps the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    Info = new QLabel(this);
    Info->setObjectName(QStringLiteral("Info"));
    Info->setGeometry(0, 28, 145, 16);
    Info->setAlignment(Qt::AlignCenter);
    CancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(36, 52, 75, 25);
    connect(CancelButton, &QPushButton::clicked, this, &TQRProgressForm::CancelButtonClick);
    FormCreate();
}

void TQRProgressForm::FormCreate()
{
    Gauge = new TQRGauge(this);
    Gauge->setObjectName(QStringLiteral("Gauge"));
    Gauge->setGeometry(10, 10, width() - 20, 15);
}

void TQRProgressForm::showEvent(QShowEvent* e)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(e);
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
        // The percent is the printer object's now, not the one the message was posted with.
        const int percent = m_printer ? m_printer->Progress() : 0;
        if (percent % 5 == 0) {
            Gauge->setValue(percent);
            Info->setText(QString::number(percent) + QStringLiteral("% ") + QStringLiteral("完了"));
            QCoreApplication::processEvents();
        }
        return true;
    }
    return QDialog::event(e);
}
