#pragma once
// The small stay-on-top window shown while a report prints: a gauge, the percent done and a
// cancel button that cancels the printer object's run.

#include <QDialog>
#include <QPointer>

class QLabel;
class QProgressBar;
class QPushButton;
class TQRPrinter;

class TQRProgressForm : public QDialog {
    Q_OBJECT

public:
    explicit TQRProgressForm(TQRPrinter* printer, QWidget* parent = nullptr);

    QLabel* Info = nullptr;
    QPushButton* CancelButton = nullptr;
    QProgressBar* Gauge = nullptr;

    void CancelButtonClick();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QPointer<TQRPrinter> m_printer;
};
