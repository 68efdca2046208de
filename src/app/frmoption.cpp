#include "app/frmoption.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>

TfrmOption::TfrmOption(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("環境設定"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(309, 239);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(4, 4, 297, 197);
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("ＤＡＯ"));

    GroupBox1 = new QGroupBox(QStringLiteral("DAOのクラス名"), TabSheet1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(0, 12, 285, 65);
    edtDAO = new QLineEdit(GroupBox1);
    edtDAO->setObjectName(QStringLiteral("edtDAO"));
    edtDAO->setGeometry(16, 24, 261, 20);
    edtDAO->setMaxLength(32767);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(144, 212, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("ｷｬﾝｾﾙ"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(224, 212, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);   // Esc rejects as well

    setTabOrder(PageControl1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
}
