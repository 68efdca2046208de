#pragma once
// Plays the records of an EMF image through QPainter, stretched so that the picture frame
// fills a target rectangle. Pages drawn by other printing systems play too: map modes, world
// transforms, paths, 16-bit polygons, bitmaps, clip regions, stock objects, saved DC states.
// Unknown records are skipped by their size; a record that runs past the image ends playback
// with what was drawn so far. No read goes past a record, nothing is sized from a count that
// the record's bytes cannot back.

#include "reportengine/emf/metafile.h"

#include <QPainter>
#include <QRectF>

#include <functional>

namespace emf {

// A text the page writes, where the player puts it: the start of its baseline in target
// coordinates, its direction in degrees (counter-clockwise), its line height and length.
struct TextRun {
    QString text;
    QPointF baseline;
    double height = 0;
    double width = 0;
    double angle = 0;
};
using TextSink = std::function<void(const TextRun&)>;

// texts, when given, hears of every text as it is drawn (the text export reads pages so).
QRPlayResult play(const QRMetafile& page, QPainter& painter, const QRectF& target, const TextSink* texts = nullptr);

// The picture frame in reference-device pixels (the rectangle play() stretches over target).
QRectF frameInDevicePixels(const QRMetafileHeader& header);
// Reference-device pixels per millimetre (micrometre sizes when the header has them).
QPointF pixelsPerMillimetre(const QRMetafileHeader& header);

} // namespace emf
