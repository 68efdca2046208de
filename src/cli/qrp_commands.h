#pragma once
// tabulon-cli qrp-info and qrp-render: report files read through the page store and played
// through the EMF player.

#include <QString>

namespace cli {

int qrpInfoCommand(const QString& file);
// dpi: resolution of the PNG pages (the page's paper size at that resolution).
int qrpRenderCommand(const QString& file, const QString& directory, int dpi);

} // namespace cli
