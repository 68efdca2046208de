#pragma once
// The report engine's progress bar: 0..100 percent, created 100 x 40; its users place it.

#include <QProgressBar>

class TQRGauge : public QProgressBar {
    Q_OBJECT

public:
    explicit TQRGauge(QWidget* parent = nullptr) : QProgressBar(parent)
    {
        setRange(0, 100);
        setValue(0);
        setTextVisible(false);
        resize(100, 40);
    }
};
