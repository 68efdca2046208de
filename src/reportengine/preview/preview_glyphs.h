#pragma once
// The preview window's button pictures, painted at the size and pixel ratio they are shown, under
// the bitmap names the toolbar asks for ("QRZOOMTOFITBITMAP" ... "QROPENBITMAP", and
// "QRCLOSEBITMAP" for the close button, whose disabled state is its second look).

#include <QIcon>
#include <QString>
#include <QStringList>

namespace qrglyphs {

// A null icon for a name that is not one of them.
QIcon glyph(const QString& bitmapName);
QStringList names();

} // namespace qrglyphs
