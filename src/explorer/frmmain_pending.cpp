// Commands of the table view, data page and report that are not built yet: they do nothing.
// Each moves to the file of its own feature when that lands.

#include "app/frmmain.h"

void TfrmMain::btnPreviewClick(QObject*) {}
