#include "report/frmreport.h"

TfrmReport::TfrmReport(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmReport"));
}
