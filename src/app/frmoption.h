#pragma once
// The options dialog: the automation class name the engine is created from.

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TfrmOption : public QDialog {
    Q_OBJECT

public:
    explicit TfrmOption(QWidget* parent = nullptr);

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* edtDAO = nullptr;
    QPushButton* BitBtn1 = nullptr;   // OK
    QPushButton* BitBtn2 = nullptr;   // Cancel
};
