#pragma once
// The text of a page in reading order, read through the EMF player: lines from top to bottom,
// the texts of a line from left to right.

#include "reportengine/emf/metafile.h"

#include <QStringList>

// Texts whose baselines lie within half a line of each other are one line; texts of a line
// further apart than a third of the line height are joined with a tab, nearer ones directly.
QStringList pageTextLines(const QRMetafile& page, QRPlayResult* played = nullptr);
