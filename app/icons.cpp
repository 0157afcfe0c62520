#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <QPixmap>

namespace {

constexpr int kSize = 32; // drawn at 32 x 32, scaled down by the toolbar

const QColor kInk(40, 48, 60);
const QColor kPaper(250, 250, 250);
const QColor kAccent(33, 110, 200);
const QColor kFolder(235, 185, 70);

// A few bars of a barcode inside `r`.
void DrawBars(QPainter& p, const QRectF& r, const QColor& color)
{
    static constexpr int kWidths[] = {2, 1, 1, 3, 1, 2, 2, 1, 3, 1, 1, 2};
    double x = r.left();
    const double unit = r.width() / 26.0;
    bool bar = true;
    for (int w : kWidths) {
        if (bar)
            p.fillRect(QRectF(x, r.top(), w * unit, r.height()), color);
        x += w * unit;
        bar = !bar;
    }
}

void DrawPage(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kPaper);
    p.drawRect(r);
}

void DrawDisk(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kAccent);
    p.drawRoundedRect(r, 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + r.width() * 0.2, r.top() + 1, r.width() * 0.6, r.height() * 0.38));
    p.fillRect(QRectF(r.left() + r.width() * 0.25, r.bottom() - r.height() * 0.35, r.width() * 0.5, r.height() * 0.3),
               QColor(220, 225, 232));
}

void DrawPicture(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(200, 228, 250));
    p.drawRect(r);
    QPainterPath hills;
    hills.moveTo(r.left(), r.bottom());
    hills.lineTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.45);
    hills.lineTo(r.left() + r.width() * 0.6, r.top() + r.height() * 0.75);
    hills.lineTo(r.left() + r.width() * 0.78, r.top() + r.height() * 0.55);
    hills.lineTo(r.right(), r.bottom());
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 160, 80));
    p.drawPath(hills);
    p.setBrush(QColor(240, 190, 40));
    p.drawEllipse(QPointF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.28), r.width() * 0.1, r.width() * 0.1);
}

void DrawArrowHead(QPainter& p, QPointF tip, double angleDeg, double size)
{
    QPainterPath head;
    head.moveTo(0, 0);
    head.lineTo(-size, -size * 0.6);
    head.lineTo(-size, size * 0.6);
    head.closeSubpath();
    p.save();
    p.translate(tip);
    p.rotate(angleDeg);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawPath(head);
    p.restore();
}

void Paint(QPainter& p, TIconKind kind, const QColor& color)
{
    switch (kind) {
    case TIconKind::Open: {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kFolder.darker(115));
        p.drawRoundedRect(QRectF(3, 7, 24, 19), 2, 2);
        p.setBrush(kFolder);
        QPainterPath front;
        front.moveTo(3, 26);
        front.lineTo(8, 13);
        front.lineTo(30, 13);
        front.lineTo(26, 26);
        front.closeSubpath();
        p.drawPath(front);
        break;
    }
    case TIconKind::Save:
        DrawDisk(p, QRectF(5, 5, 22, 22));
        break;
    case TIconKind::SaveImage:
        DrawPicture(p, QRectF(3, 3, 22, 17));
        DrawDisk(p, QRectF(16, 15, 14, 14));
        break;
    case TIconKind::CopyBitmap:
        DrawPage(p, QRectF(3, 3, 18, 20));
        DrawPicture(p, QRectF(11, 11, 18, 18));
        break;
    case TIconKind::CopyMetafile:
        DrawPage(p, QRectF(3, 3, 18, 20));
        DrawPage(p, QRectF(11, 11, 18, 18));
        DrawBars(p, QRectF(14, 14, 12, 12), kInk);
        break;
    case TIconKind::Demo: {
        DrawBars(p, QRectF(3, 4, 18, 18), kInk);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 180, 20));
        QPainterPath star;
        const QPointF c(23, 23);
        for (int i = 0; i < 10; ++i) {
            const double radius = (i % 2) ? 3.2 : 8.0;
            const double a = (i * 36.0 - 90.0) * 3.14159265358979 / 180.0;
            const QPointF q(c.x() + radius * std::cos(a), c.y() + radius * std::sin(a));
            i ? star.lineTo(q) : star.moveTo(q);
        }
        star.closeSubpath();
        p.drawPath(star);
        break;
    }
    case TIconKind::Rotate: {
        p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(6, 6, 20, 20), 90 * 16, -270 * 16);
        DrawArrowHead(p, QPointF(16, 6), 180, 6);
        break;
    }
    case TIconKind::ForeColor:
        p.fillRect(QRectF(3, 3, 26, 26), Qt::white);
        DrawBars(p, QRectF(5, 5, 22, 22), color);
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3, 3, 26, 26));
        break;
    case TIconKind::BackColor:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(color);
        p.drawRect(QRectF(3, 3, 26, 26));
        DrawBars(p, QRectF(10, 10, 12, 12), kInk);
        break;
    case TIconKind::Font: {
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPixelSize(24);
        font.setBold(true);
        p.setFont(font);
        p.setPen(kInk);
        p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("A"));
        p.fillRect(QRectF(4, 28, 24, 2), kAccent);
        break;
    }
    case TIconKind::ShowText: {
        DrawBars(p, QRectF(4, 3, 24, 16), kInk);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.setPen(kAccent);
        p.drawText(QRectF(0, 19, 32, 12), Qt::AlignCenter, QStringLiteral("123"));
        break;
    }
    case TIconKind::Layout:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kPaper);
        p.drawRect(QRectF(3, 3, 26, 26));
        p.setPen(QPen(kAccent, 1.2, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(8, 8, 16, 16));
        DrawBars(p, QRectF(10, 10, 12, 12), kInk);
        break;
    case TIconKind::Info: {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(14, 7.5, 4, 4));
        p.drawRoundedRect(QRectF(14, 13.5, 4, 11), 1, 1);
        break;
    }
    case TIconKind::Internet: {
        p.setPen(QPen(kAccent, 1.8));
        p.setBrush(QColor(225, 238, 252));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(10, 3, 12, 26));
        p.drawLine(QPointF(16, 3), QPointF(16, 29));
        p.drawLine(QPointF(3, 16), QPointF(29, 16));
        p.drawLine(QPointF(6, 9.5), QPointF(26, 9.5));
        p.drawLine(QPointF(6, 22.5), QPointF(26, 22.5));
        break;
    }
    case TIconKind::Application:
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(4, 5, 24, 22), 2, 2);
        DrawBars(p, QRectF(6, 7, 20, 18), kInk);
        break;
    }
}

} // namespace

QIcon MakeIcon(TIconKind kind, const QColor& color)
{
    QIcon icon;
    for (int size : {kSize, 2 * kSize}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / double(kSize), size / double(kSize));
        Paint(p, kind, color);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
