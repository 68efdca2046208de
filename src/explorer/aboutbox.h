#pragma once
// The about box: product logo, program icon and version.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* Image2 = nullptr;     // logo
    QLabel* Image1 = nullptr;     // program icon
    QLabel* Version = nullptr;
    QPushButton* OKButton = nullptr;
};
