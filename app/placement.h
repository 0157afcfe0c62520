// Keeping windows on the screen: a restored window is clamped to the
// screen's available area, and dialogs open centred on the window that
// owns them (or on the screen), never with their title bar off screen.
#pragma once

#include <QObject>
#include <QRect>

class QWidget;

// `frame` (a window's outer rectangle) moved and, where it is larger,
// shrunk so that it lies inside `available`.
QRect ClampToArea(const QRect& frame, const QRect& available);

// The available area of the screen that shows most of `widget` (the
// primary screen when it has none).
QRect AvailableArea(const QWidget* widget);

// Moves the top-level `window` so that it is centred on its parent's
// window (on the screen without a parent), kept inside the screen.
void CentreOnParent(QWidget* window);

// Installed on the application: every dialog and message box that opens
// is centred on its parent by CentreOnParent.
class TDialogPlacer : public QObject {
    Q_OBJECT
public:
    explicit TDialogPlacer(QObject* parent = nullptr) : QObject(parent) {}
    // Installs one placer on the running application (once).
    static void Install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
