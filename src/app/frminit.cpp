#include "app/frminit.h"

#include "app/glyphs.h"
#include "automation/registry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QTimer>

TfrmInit::TfrmInit(automation::Registry& registry, QWidget* parent) : QDialog(parent), m_registry(registry)
{
    setObjectName(QStringLiteral("frmInit"));
    setWindowTitle(QStringLiteral("初期化"));
    // A tool window without a close box: only the buttons end it.
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(373, 188);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 20, 353, 121);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(28, 28, 62, 64);
    Image1->setPixmap(glyphs::setupPicture(QSize(62, 64), devicePixelRatioF()));

    Label3 = new QLabel(QStringLiteral("Norvik Tabulon Setup"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont big = font();
    big.setPixelSize(19);
    big.setBold(true);
    Label3->setFont(big);
    Label3->move(96, 24);
    Label3->adjustSize();

    Label1 = new QLabel(QStringLiteral("Norvik Tabulonの設定中です。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(100, 52);
    Label1->adjustSize();
    Label2 = new QLabel(QStringLiteral("DAOの環境をチェックしています。"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(100, 72);
    Label2->adjustSize();

    lblMsg = new QLabel(this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setGeometry(12, 100, 345, 33);
    lblMsg->setAlignment(Qt::AlignCenter);

    btnOk = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(120, 152, 75, 25);
    btnOk->setDefault(true);
    btnOk->setEnabled(false);
    btnCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("ｷｬﾝｾﾙ"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(208, 152, 75, 25);
    btnCancel->setAutoDefault(false);
    btnCancel->setEnabled(false);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmInit::reject);
}

const QStringList& TfrmInit::classNames()
{
    static const QStringList names{QStringLiteral("DAO.DBEngine.35"), QStringLiteral("DAO.DBEngine"),
                                   QStringLiteral("DAO.Private.DBEngine")};
    return names;
}

void TfrmInit::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Once the window is on the screen, so its texts can be read during the pause.
    if (!m_checked)
        QTimer::singleShot(100, this, &TfrmInit::FormActivate);
}

void TfrmInit::FormActivate()
{
    if (m_checked)
        return;
    m_checked = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    repaint();
    // The pause lets the user read the texts; the window is not meant to respond meanwhile.
    if (m_pauseMs > 0)
        QThread::msleep(static_cast<unsigned long>(m_pauseMs));
    for (const QString& name : classNames()) {
        try {
            const automation::Variant engine = m_registry.create(name);
            // The object was only a test; it is released here.
            btnOk->setEnabled(true);
            lblMsg->setText(QStringLiteral("この環境で Norvik Tabulonは正常に動作します。"));
            EngineClassName = name;
            QApplication::restoreOverrideCursor();
            btnOk->setFocus();
            return;
        } catch (...) {
            // This class does not work here; try the next.
        }
    }
    lblMsg->setText(QStringLiteral("この環境で Norvik Tabulonはご使用できません。\nDAO3032.DLLを正しくセットアップしてください。"));
    QApplication::restoreOverrideCursor();
    btnCancel->setEnabled(true);
    btnCancel->setFocus();
}

void TfrmInit::reject()
{
    // Esc ends the dialog only through an enabled Cancel button.
    if (btnCancel->isEnabled())
        QDialog::reject();
}

void TfrmInit::closeEvent(QCloseEvent* event)
{
    // No close box, and Alt+F4 does nothing: the outcome is acknowledged with a button.
    event->ignore();
}
