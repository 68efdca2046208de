#include "reportengine/report/print_range_dialog.h"

#include "reportengine/printer/printer_device.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSpinBox>

TQRPrintRangeDialog::TQRPrintRangeDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrintRangeDialog"));
    setWindowTitle(QStringLiteral("印刷"));
    cboPrinter = new QComboBox(this);
    for (const auto& printer : PrinterRegistry::global().printers())
        cboPrinter->addItem(printer->name());
    rbPortrait = new QRadioButton(QStringLiteral("縦"), this);
    rbLandscape = new QRadioButton(QStringLiteral("横"), this);
    rbPortrait->setChecked(true);
    edtCopies = new QSpinBox(this);
    edtCopies->setRange(1, 999);
    rbAll = new QRadioButton(QStringLiteral("すべて"), this);
    rbPages = new QRadioButton(QStringLiteral("ページ指定"), this);
    rbAll->setChecked(true);
    // Two separate choices: orientation and range.
    auto* orientationGroup = new QButtonGroup(this);
    orientationGroup->addButton(rbPortrait);
    orientationGroup->addButton(rbLandscape);
    auto* rangeGroup = new QButtonGroup(this);
    rangeGroup->addButton(rbAll);
    rangeGroup->addButton(rbPages);
    edtFrom = new QSpinBox(this);
    edtTo = new QSpinBox(this);
    edtFrom->setRange(1, 99999);
    edtTo->setRange(1, 99999);
    // A range names pages only when chosen.
    connect(edtFrom, &QSpinBox::valueChanged, this, [this] { rbPages->setChecked(true); });
    connect(edtTo, &QSpinBox::valueChanged, this, [this] { rbPages->setChecked(true); });

    auto* orientation = new QHBoxLayout;
    orientation->addWidget(rbPortrait);
    orientation->addWidget(rbLandscape);
    auto* range = new QHBoxLayout;
    range->addWidget(rbAll);
    range->addWidget(rbPages);
    range->addWidget(edtFrom);
    range->addWidget(edtTo);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("プリンタ"), cboPrinter);
    form->addRow(QStringLiteral("印刷の向き"), orientation);
    form->addRow(QStringLiteral("部数"), edtCopies);
    form->addRow(QStringLiteral("印刷範囲"), range);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void TQRPrintRangeDialog::setCopies(int copies) { edtCopies->setValue(copies); }
int TQRPrintRangeDialog::copies() const { return edtCopies->value(); }
void TQRPrintRangeDialog::setPrinterIndex(int index) { cboPrinter->setCurrentIndex(index); }
int TQRPrintRangeDialog::printerIndex() const { return cboPrinter->currentIndex(); }

void TQRPrintRangeDialog::setOrientation(TPrinterOrientation orientation)
{
    (orientation == TPrinterOrientation::poLandscape ? rbLandscape : rbPortrait)->setChecked(true);
}

TPrinterOrientation TQRPrintRangeDialog::orientation() const
{
    return rbLandscape->isChecked() ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait;
}

void TQRPrintRangeDialog::setPageLimits(int first, int last)
{
    const QSignalBlocker a(edtFrom), b(edtTo);
    edtFrom->setRange(first, std::max(first, last));
    edtTo->setRange(first, std::max(first, last));
    edtFrom->setValue(first);
    edtTo->setValue(last);
}

void TQRPrintRangeDialog::setRange(int from, int to)
{
    edtFrom->setValue(from);
    edtTo->setValue(to);
    rbPages->setChecked(true);
}

void TQRPrintRangeDialog::setAllPages() { rbAll->setChecked(true); }
bool TQRPrintRangeDialog::allPages() const { return rbAll->isChecked(); }
int TQRPrintRangeDialog::fromPage() const { return edtFrom->value(); }
int TQRPrintRangeDialog::toPage() const { return edtTo->value(); }
