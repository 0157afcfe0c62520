#include "app/placement.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>

QRect ClampToArea(const QRect& frame, const QRect& available)
{
    if (available.isEmpty())
        return frame;
    QRect result(frame.topLeft(), frame.size().boundedTo(available.size()));
    result.moveLeft(std::clamp(result.left(), available.left(), available.right() + 1 - result.width()));
    result.moveTop(std::clamp(result.top(), available.top(), available.bottom() + 1 - result.height()));
    return result;
}

QRect AvailableArea(const QWidget* widget)
{
    const QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void CentreOnParent(QWidget* window)
{
    if (!window || !window->isWindow())
        return;
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    const QRect available = AvailableArea(parent ? parent : window);
    const QRect around = parent && parent->isVisible() ? parent->frameGeometry() : available;
    // Before the window manager framed it, the frame is the client area
    // plus the parent's decoration (or nothing).
    const QSize decoration = parent ? parent->frameGeometry().size() - parent->size() : QSize(0, 0);
    const QSize margins = window->frameGeometry().size() - window->size();
    const QSize frameSize = window->size() + (margins.isEmpty() ? decoration : margins).expandedTo(QSize(0, 0));
    QRect frame(QPoint(0, 0), frameSize);
    frame.moveCenter(around.center());
    frame = ClampToArea(frame, available);
    window->move(frame.topLeft());
}

void TDialogPlacer::Install()
{
    static TDialogPlacer* placer = nullptr;
    if (placer || !qApp)
        return;
    placer = new TDialogPlacer(qApp);
    qApp->installEventFilter(placer);
}

bool TDialogPlacer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog && dialog->isWindow() && !event->spontaneous())
            CentreOnParent(dialog);
    }
    return QObject::eventFilter(watched, event);
}
