#include "explorer/statement_cancel.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>

namespace explorer {

namespace {

// An hourglass with "Esc" under it: busy, and how to stop it.
QCursor escapeCursor()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    const QPolygonF glass({QPointF(8, 1), QPointF(20, 1), QPointF(14, 9), QPointF(20, 17), QPointF(8, 17), QPointF(14, 9)});
    p.drawPolygon(glass);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({QPointF(11, 15), QPointF(17, 15), QPointF(14, 11)}));
    QFont font = QApplication::font();
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    const QRect label(2, 19, 26, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 225));
    p.drawRect(label);
    p.setPen(Qt::black);
    p.drawText(label, Qt::AlignCenter, QStringLiteral("Esc"));
    p.end();
    return QCursor(pixmap, 14, 9);
}

bool isUserInput(QEvent::Type t)
{
    switch (t) {
    case QEvent::KeyPress: case QEvent::KeyRelease: case QEvent::ShortcutOverride: case QEvent::Shortcut:
    case QEvent::MouseButtonPress: case QEvent::MouseButtonRelease: case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: case QEvent::Wheel: case QEvent::ContextMenu:
    case QEvent::DragEnter: case QEvent::DragMove: case QEvent::Drop:
    case QEvent::TouchBegin: case QEvent::TouchUpdate: case QEvent::TouchEnd:
    case QEvent::TabletPress: case QEvent::TabletMove: case QEvent::TabletRelease:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

EscapeCancels::EscapeCancels(QWidget* window) : m_window(window)
{
    m_interrupt = std::make_unique<sql::InterruptPoll>([this] { return poll(); });
}

EscapeCancels::~EscapeCancels()
{
    m_interrupt.reset();
    if (m_shown) {
        qApp->removeEventFilter(this);
        QApplication::restoreOverrideCursor();
        if (auto* main = qobject_cast<QMainWindow*>(m_window); main && main->statusBar())
            main->statusBar()->clearMessage();
    }
}

bool EscapeCancels::poll()
{
    // Shown from the first poll on: a statement that ends at once changes nothing on screen.
    if (!m_shown) {
        m_shown = true;
        qApp->installEventFilter(this);
        QApplication::setOverrideCursor(escapeCursor());
        if (auto* main = qobject_cast<QMainWindow*>(m_window); main && main->statusBar())
            main->statusBar()->showMessage(QStringLiteral("SQL実行中です。Esc キーで中止します。"));
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return m_escape;
}

bool EscapeCancels::eventFilter(QObject* watched, QEvent* event)
{
    if (!isUserInput(event->type())) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        m_escape = true;
    return true;   // held back until the statement ends
}

} // namespace explorer
