#include "explorer/aboutbox.h"

#include "app/glyphs.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(342, 183);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel1->setGeometry(8, 8, 325, 133);

    Image2 = new QLabel(Panel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(96, 8, 201, 62);
    Image2->setPixmap(glyphs::logoPicture(QSize(201, 62), devicePixelRatioF()));

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(32, 28, 32, 32);
    Image1->setPixmap(glyphs::icon(glyphs::Glyph::AppIcon).pixmap(QSize(32, 32), devicePixelRatioF()));

    Version = new QLabel(QStringLiteral("Version 1.0"), Panel1);
    Version->setObjectName(QStringLiteral("Version"));
    Version->move(252, 68);
    Version->adjustSize();

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(139, 152, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}
