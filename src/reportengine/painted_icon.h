#pragma once
// Pictures drawn with QPainter in a 16 x 16 design square, at whatever size and pixel ratio they
// are shown, so they stay sharp on every screen (the program's and the preview's buttons).

#include <QIcon>
#include <QRectF>

#include <functional>

class QPainter;

namespace painted {

using Draw = std::function<void(QPainter&)>;

// Draws into the largest square centred in rect, scaled from the design square; dimmed when
// disabled.
void paintInSquare(QPainter& p, const QRectF& rect, const Draw& draw, bool disabled);
QIcon icon(Draw draw);

} // namespace painted
