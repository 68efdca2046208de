#pragma once
// The program's pictures, drawn with QPainter at whatever size and pixel ratio they are shown,
// so they stay sharp on every screen.

#include <QIcon>
#include <QPixmap>

namespace glyphs {

enum class Glyph {
    Open, Delete, CopyName, CopyPath, Print, Preview, CopyField, Prev, Next, Style, Field, Data, About,
    Key, Dot, Diamond,      // the three list images
    AppIcon,                // the program's icon
};

QIcon icon(Glyph glyph);
// A painted picture of the given logical size (setup picture, about box logo).
QPixmap setupPicture(QSize size, qreal devicePixelRatio = 1.0);
QPixmap logoPicture(QSize size, qreal devicePixelRatio = 1.0);

} // namespace glyphs
