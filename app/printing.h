// Printing labels at their true size: the module width in millimetres
// sets the scale on the printer, and several labels share a page.
#pragma once

#include <QDialog>
#include <QImage>
#include <QList>
#include <QRect>
#include <functional>

#include "app/form1.h"

class QDoubleSpinBox;
class QSpinBox;

// Where the labels of a print run go, in the printer's dots.
struct TLabelSheet {
    QSize Label;              // one label
    double Scale = 1;         // printer dots per pixel of the label image
    QList<QList<QRect>> Pages; // the labels of each page
};

// Dots of one module of `moduleMM` millimetres at `dpi` (at least 1).
int ModuleDots(double moduleMM, int dpi);

// Plans `options.Copies` labels of an image of `imagePx` pixels whose
// module is `modulePx` pixels wide (0: unknown, the image is then printed
// at 96 pixels an inch) on pages whose printable area is `page` dots at
// `dpi`: as many columns and rows as asked and fit, left to right, top to
// bottom, `options.GapMM` apart.
TLabelSheet PlanLabels(QSize imagePx, int modulePx, int dpi, QSize page, const TPrintOptions& options);

// Paints the planned labels with `painter`, each one `label` scaled
// without smoothing (bars stay sharp); `newPage` is called between pages
// and may refuse (false) to stop.
void PaintLabels(QPainter& painter, const QImage& label, const TLabelSheet& sheet,
                 const std::function<bool()>& newPage);

// The options of a print run: module width, number of labels, labels
// across and down a page, gap between them.
class TPrintSetup : public QDialog {
    Q_OBJECT
public:
    explicit TPrintSetup(const TPrintOptions& options, QWidget* parent = nullptr);
    TPrintOptions Options() const;

    QDoubleSpinBox* ModuleWidth = nullptr;
    QSpinBox* Copies = nullptr;
    QSpinBox* Columns = nullptr;
    QSpinBox* Rows = nullptr;
    QDoubleSpinBox* Gap = nullptr;
};
