// The library's bitmaps, painted rather than stored: a small barcode for
// the demo-text button and a labelled sketch of the light margins and the
// guard-bar notch for the layout page.
#include "control/interface/qt/resources.h"

#include "control/interface/qt/pagelang.h"

#include <QPainter>

namespace {

// Bar widths (in units) of the small symbol both pictures show.
constexpr int kBars[] = {1, 1, 2, 1, 1, 3, 2, 1, 1, 2, 1, 1, 3, 1, 2, 1, 1, 1};

// Draws the bars into `area`, every other entry a bar; the guard bars (the
// first and last two) reach `guard` pixels further down.
void DrawBars(QPainter& painter, const QRect& area, int guard)
{
    int units = 0;
    for (int width : kBars)
        units += width;
    const double unit = double(area.width()) / units;
    double x = area.left();
    for (size_t i = 0; i < std::size(kBars); ++i) {
        const double w = kBars[i] * unit;
        if (i % 2 == 0) {
            const bool isGuard = i < 4 || i + 4 >= std::size(kBars);
            painter.fillRect(QRectF(x, area.top(), w, area.height() + (isGuard ? guard : 0)), Qt::black);
        }
        x += w;
    }
}

QPixmap DemoTextBitmap()
{
    QPixmap pixmap(24, 18);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    DrawBars(painter, QRect(3, 2, 18, 11), 0);
    painter.setPen(Qt::black);
    painter.drawLine(3, 15, 20, 15); // the human-readable line
    return pixmap;
}

QPixmap LayoutBitmap()
{
    QPixmap pixmap(234, 120);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect control(16, 10, 200, 100);
    painter.setPen(Qt::gray);
    painter.drawRect(control);
    // The symbol inside the light margins, its text band below the bars.
    const QRect bars(control.left() + 36, control.top() + 18, control.width() - 72, 52);
    DrawBars(painter, bars, 10);
    painter.setPen(Qt::darkBlue);
    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    painter.drawText(QRect(bars.left() + 20, bars.bottom() + 4, bars.width() - 40, 14), Qt::AlignCenter,
                     QStringLiteral("1234"));
    // Borderheight above, Borderwidth beside, the notch below the bars.
    painter.setPen(QPen(Qt::red, 1, Qt::DashLine));
    painter.drawLine(bars.center().x(), control.top(), bars.center().x(), bars.top());
    painter.drawLine(control.left(), bars.center().y(), bars.left(), bars.center().y());
    painter.drawLine(bars.right() + 8, bars.bottom(), bars.right() + 8, bars.bottom() + 10);
    painter.setPen(Qt::red);
    painter.drawText(QPoint(bars.center().x() + 4, control.top() + 12), PageText("height"));
    painter.drawText(QPoint(control.left() + 2, bars.center().y() - 4), PageText("width"));
    painter.drawText(QPoint(bars.right() + 12, bars.bottom() + 9), PageText("notch"));
    return pixmap;
}

} // namespace

QPixmap LoadResourceBitmap(int id)
{
    switch (id) {
    case IDB_LAYOUT: return LayoutBitmap();
    case IDB_DEMOTEXT: return DemoTextBitmap();
    default: return {};
    }
}
