#pragma once
// The form that holds the field-definition report. It is created at start and never shown.

#include <QWidget>

class TfrmReport : public QWidget {
    Q_OBJECT

public:
    explicit TfrmReport(QWidget* parent = nullptr);
};
