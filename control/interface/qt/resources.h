// Bitmap resources of the Qt library, drawn on first use.
#pragma once

#include <QPixmap>

// Resource ids of the bitmaps.
enum : int {
    IDB_LAYOUT = 214,   // the layout page's illustration of borders and notch
    IDB_DEMOTEXT = 236, // the demo-text button's image
};

// The bitmap with that id; a null pixmap for an unknown id.
QPixmap LoadResourceBitmap(int id);
