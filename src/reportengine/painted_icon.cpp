#include "reportengine/painted_icon.h"

#include <QIconEngine>
#include <QPainter>

namespace painted {

namespace {

class Engine : public QIconEngine {
public:
    explicit Engine(Draw draw) : m_draw(std::move(draw)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        paintInSquare(*painter, rect, m_draw, mode == QIcon::Disabled);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pm(size * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QIconEngine* clone() const override { return new Engine(m_draw); }

private:
    Draw m_draw;
};

} // namespace

void paintInSquare(QPainter& p, const QRectF& rect, const Draw& draw, bool disabled)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(rect.width(), rect.height());
    p.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    p.scale(side / 16.0, side / 16.0);
    if (disabled)
        p.setOpacity(0.35);
    draw(p);
    p.restore();
}

QIcon icon(Draw draw)
{
    return QIcon(new Engine(std::move(draw)));
}

} // namespace painted
