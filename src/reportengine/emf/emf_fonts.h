#pragma once
// Face names in EMF pages name Windows fonts; here the IPA fonts stand in for the Japanese ones.

#include <QFont>
#include <QString>

#include <cstdint>

namespace emf {

// A font for the face name (the face first, then its stand-in and a generic family).
// pitchAndFamily is the LOGFONT byte: fixed pitch and roman/modern/swiss hints.
QFont fontForFace(const QString& face, std::uint8_t pitchAndFamily = 0);
// Makes the Japanese face names resolve to their stand-ins everywhere in the process, so that
// text is measured with the font it will be drawn with. Idempotent.
void installFontSubstitutions();
// The stand-in family for a face, or an empty string.
QString substituteFamily(const QString& face);

} // namespace emf
