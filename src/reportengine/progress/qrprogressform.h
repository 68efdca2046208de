#pragma once
// The small stay-on-top window shown while a report prints straight to a printer: a gauge, the
// percent done (in steps of 5 %) and a cancel button that stops the run before its next row.

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;
class TQRGauge;
class TQRPrinter;

class TQRProgressForm : public QDialog {
    Q_OBJECT

public:
    explicit TQRProgressForm(TQRPrinter* printer, QWidget* parent = nullptr);

    QLabel* Info = nullptr;
    QPushButton* CancelButton = nullptr;
    TQRGauge* Gauge = nullptr;

    void FormCreate();
    void CancelButtonClick();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    QPointer<TQRPrinter> m_printer;
};
