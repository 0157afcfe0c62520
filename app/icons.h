// The toolbar's icons and the window icon, drawn in code so that they
// need no image plug-in and follow the current colours.
#pragma once

#include <QColor>
#include <QIcon>

enum class TIconKind {
    Open, Save, SaveImage, CopyBitmap, CopyMetafile, Demo, Rotate, ForeColor, BackColor,
    Font, ShowText, Layout, Info, Internet, Application,
};

// The colour icons show `color`; the others ignore it.
QIcon MakeIcon(TIconKind kind, const QColor& color = Qt::black);
