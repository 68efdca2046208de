#pragma once
// The program's two fonts, named as the Japanese desktop names them; the IPA fonts stand in, and
// HanaMinB draws the characters of CJK Extension B that the IPA fonts lack.

#include <QFont>

namespace fonts {

// Maps the Japanese font names onto the IPA fonts and makes the form font the application's.
void install();

QFont form();         // "ＭＳ Ｐゴシック", 12 pixels
QFont fixedPitch();   // "ＭＳ ゴシック", 12 pixels: type names padded with spaces line up

} // namespace fonts
