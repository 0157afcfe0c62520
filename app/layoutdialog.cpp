#include "app/layoutdialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QSpinBox>
#include <cmath>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPolygonF>
#include <cmath>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/barcode.h"
#include "app/getlang.h"

namespace {

QString T(const char* english, const char* german) { return TGetLang::GetLangText(english, german); }

// Reads `s` as a signed decimal or "$" hexadecimal int32. Returns the
// index of the character at which reading failed, or -1 on success.
qsizetype ReadInteger(const QString& s, int32_t& value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+'))
        negative = s[i++] == u'-';
    const bool hex = i < s.size() && s[i] == u'$';
    if (hex)
        ++i;
    if (i >= s.size())
        return s.size(); // nothing after the sign or prefix
    const int64_t limit = hex ? 0xFFFFFFFFll : (negative ? 0x80000000ll : 0x7FFFFFFFll);
    int64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].toLower().unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        if (digit < 0)
            return i;
        magnitude = magnitude * (hex ? 16 : 10) + digit;
        if (magnitude > limit)
            return i;
    }
    const int64_t signedValue = hex ? int64_t(int32_t(uint32_t(magnitude))) : magnitude;
    value = int32_t(negative ? -signedValue : signedValue);
    return -1;
}

// The fixed illustration of the dialog: a symbol inside its margins, the
// guard bars reaching into the text band, and arrows for the two margins
// and the notch.
class TLayoutPicture : public QWidget {
public:
    explicit TLayoutPicture(QWidget* parent) : QWidget(parent) { setFixedHeight(118); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF outer = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        p.setPen(QPen(QColor(120, 120, 120), 1));
        p.setBrush(Qt::white);
        p.drawRect(outer);
        const double marginX = 34, marginY = 18;
        const QRectF inner = outer.adjusted(marginX, marginY, -marginX, -marginY);
        p.setPen(QPen(QColor(33, 110, 200), 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(inner);

        // An EAN-like symbol: guard bars (g) reach into the text band.
        static constexpr struct {
            int width;
            bool bar;
            bool guard;
        } kModules[] = {
            {1, 1, 1}, {1, 0, 1}, {1, 1, 1}, {2, 0, 0}, {1, 1, 0}, {1, 0, 0}, {2, 1, 0}, {1, 0, 0}, {1, 1, 0},
            {3, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}, {1, 0, 1}, {1, 1, 1}, {1, 0, 1}, {1, 1, 1}, {1, 0, 1},
            {2, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0},
            {1, 0, 1}, {1, 1, 1}, {1, 0, 1}, {1, 1, 1},
        };
        int total = 0;
        for (const auto& m : kModules)
            total += m.width;
        const double unit = inner.width() / total;
        const double textBand = 20, notch = textBand * 0.55;
        const double barBottom = inner.bottom() - textBand;
        double x = inner.left();
        for (const auto& m : kModules) {
            if (m.bar)
                p.fillRect(QRectF(x, inner.top(), m.width * unit, barBottom - inner.top() + (m.guard ? notch : 0)),
                           Qt::black);
            x += m.width * unit;
        }
        QFont font = p.font();
        font.setPixelSize(12);
        p.setFont(font);
        p.setPen(Qt::black);
        const double half = inner.width() / 2;
        p.drawText(QRectF(inner.left() + 3 * unit, barBottom + 2, half - 4 * unit, textBand - 2), Qt::AlignCenter,
                   QStringLiteral("1234"));
        p.drawText(QRectF(inner.left() + half + unit, barBottom + 2, half - 4 * unit, textBand - 2), Qt::AlignCenter,
                   QStringLiteral("5670"));

        // Arrows: border width (left), border height (top), notch (right).
        const QColor red(200, 40, 40);
        const auto arrow = [&](QPointF a, QPointF b) {
            p.setPen(QPen(red, 1.4));
            p.drawLine(a, b);
            const QPointF d = (b - a) / std::hypot(b.x() - a.x(), b.y() - a.y());
            const QPointF n(-d.y(), d.x());
            for (auto [tip, dir] : {std::pair{a, d}, std::pair{b, -d}}) {
                QPolygonF head;
                head << tip << tip + dir * 6 + n * 3 << tip + dir * 6 - n * 3;
                p.setBrush(red);
                p.setPen(Qt::NoPen);
                p.drawPolygon(head);
            }
        };
        arrow(QPointF(outer.left() + 1, inner.center().y() - 10), QPointF(inner.left() - 1, inner.center().y() - 10));
        arrow(QPointF(inner.center().x(), outer.top() + 1), QPointF(inner.center().x(), inner.top() - 1));
        arrow(QPointF(inner.right() + 8, barBottom), QPointF(inner.right() + 8, barBottom + notch));
    }
};

} // namespace

int32_t ParseNumber(const QString& text)
{
    QString rest = text;
    rest.remove(u' ');
    while (!rest.isEmpty()) {
        int32_t value = 0;
        const qsizetype failed = ReadInteger(rest, value);
        if (failed < 0)
            return value;
        rest.remove(std::min(failed, rest.size() - 1), 1);
    }
    return 0;
}

TLayoutDialog::TLayoutDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("LayoutDialog"));
    setModal(true);

    Panel1 = new TLayoutPicture(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* bars = new QGridLayout(GroupBox1);
    const struct {
        QScrollBar** bar;
        QLabel** name;
        QLabel** min;
        QLabel** max;
        QLabel** current;
        const char* barName;
        const char* minText;
        const char* maxText;
        void (TLayoutDialog::*change)();
    } rows[] = {
        {&BHeight, &LabelH, &MinH, &MaxH, &CurrentH, "BHeight", "0", "100", &TLayoutDialog::BHeightChange},
        {&BWidth, &LabelW, &MinB, &MaxW, &CurrentW, "BWidth", "0", "100", &TLayoutDialog::BWidthChange},
        {&NProzent, &LabelP, &MinP, &MaxP, &CurrentP, "NProzent", "0%", "100%", &TLayoutDialog::NProzentChange},
    };
    int row = 0;
    for (const auto& r : rows) {
        *r.name = new QLabel(GroupBox1);
        *r.current = new QLabel(GroupBox1);
        (*r.current)->setObjectName(QString::fromLatin1(r.barName) + QStringLiteral("Current"));
        (*r.current)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        (*r.current)->setMinimumWidth(36);
        QFont bold = (*r.current)->font();
        bold.setBold(true);
        (*r.current)->setFont(bold);
        *r.bar = new QScrollBar(Qt::Horizontal, GroupBox1);
        (*r.bar)->setObjectName(QString::fromLatin1(r.barName));
        (*r.bar)->setRange(0, 100);
        (*r.bar)->setMinimumWidth(100);
        connect(*r.bar, &QScrollBar::valueChanged, this, r.change);
        *r.min = new QLabel(QString::fromLatin1(r.minText), GroupBox1);
        *r.max = new QLabel(QString::fromLatin1(r.maxText), GroupBox1);
        (*r.max)->setMinimumWidth(28);
        bars->addWidget(*r.name, row, 0, 1, 2);
        bars->addWidget(*r.current, row, 2);
        bars->addWidget(*r.min, row + 1, 0);
        bars->addWidget(*r.bar, row + 1, 1);
        bars->addWidget(*r.max, row + 1, 2);
        row += 2;
    }
    MinH->setObjectName(QStringLiteral("MinH"));
    MaxH->setObjectName(QStringLiteral("MaxH"));
    CurrentH->setObjectName(QStringLiteral("CurrentH"));
    MinB->setObjectName(QStringLiteral("MinB"));
    MaxW->setObjectName(QStringLiteral("MaxW"));
    CurrentW->setObjectName(QStringLiteral("CurrentW"));
    CurrentP->setObjectName(QStringLiteral("CurrentP"));
    bars->setColumnStretch(1, 1);

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* size = new QVBoxLayout(GroupBox2);
    RadioWindow = new QRadioButton(GroupBox2);
    RadioWindow->setObjectName(QStringLiteral("RadioWindow"));
    RadioCustom = new QRadioButton(GroupBox2);
    RadioCustom->setObjectName(QStringLiteral("RadioCustom"));
    EditX = new QLineEdit(QStringLiteral("320"), GroupBox2);
    EditX->setObjectName(QStringLiteral("EditX"));
    EditY = new QLineEdit(QStringLiteral("200"), GroupBox2);
    EditY->setObjectName(QStringLiteral("EditY"));
    for (QLineEdit* edit : {EditX, EditY}) {
        edit->setMaximumWidth(70);
        edit->setAlignment(Qt::AlignRight);
    }
    Button3 = new QPushButton(GroupBox2);
    Button3->setObjectName(QStringLiteral("Button3"));
    size->addWidget(RadioWindow);
    size->addWidget(RadioCustom);
    auto* edits = new QHBoxLayout;
    edits->addSpacing(20);
    edits->addWidget(EditX);
    edits->addWidget(new QLabel(QStringLiteral("x"), GroupBox2));
    edits->addWidget(EditY);
    edits->addWidget(new QLabel(QStringLiteral("px"), GroupBox2));
    edits->addStretch(1);
    size->addLayout(edits);
    auto* physical = new QHBoxLayout;
    physical->addSpacing(20);
    EditMMX = new QDoubleSpinBox(GroupBox2);
    EditMMX->setObjectName(QStringLiteral("EditMMX"));
    EditMMY = new QDoubleSpinBox(GroupBox2);
    EditMMY->setObjectName(QStringLiteral("EditMMY"));
    for (QDoubleSpinBox* edit : {EditMMX, EditMMY}) {
        edit->setRange(0, 10000);
        edit->setDecimals(1);
        edit->setButtonSymbols(QAbstractSpinBox::NoButtons);
        edit->setAlignment(Qt::AlignRight);
        edit->setMaximumWidth(70);
        connect(edit, &QDoubleSpinBox::valueChanged, this, [this, edit] { MMToPixels(edit); });
    }
    EditDpi = new QSpinBox(GroupBox2);
    EditDpi->setObjectName(QStringLiteral("EditDpi"));
    EditDpi->setRange(10, 4800);
    EditDpi->setValue(96);
    EditDpi->setMaximumWidth(70);
    LabelMM = new QLabel(GroupBox2);
    LabelDpi = new QLabel(QStringLiteral("dpi"), GroupBox2);
    physical->addWidget(EditMMX);
    physical->addWidget(new QLabel(QStringLiteral("x"), GroupBox2));
    physical->addWidget(EditMMY);
    physical->addWidget(LabelMM);
    physical->addWidget(EditDpi);
    physical->addWidget(LabelDpi);
    physical->addStretch(1);
    size->addLayout(physical);
    connect(EditX, &QLineEdit::textChanged, this, &TLayoutDialog::PixelsToMM);
    connect(EditY, &QLineEdit::textChanged, this, &TLayoutDialog::PixelsToMM);
    // A new resolution keeps the pixels and shows their new length.
    connect(EditDpi, &QSpinBox::valueChanged, this, &TLayoutDialog::PixelsToMM);
    size->addWidget(Button3);
    connect(RadioWindow, &QRadioButton::clicked, this, &TLayoutDialog::RadioWindowClick);
    connect(RadioCustom, &QRadioButton::clicked, this, &TLayoutDialog::RadioCustomClick);
    connect(Button3, &QPushButton::clicked, this, &TLayoutDialog::Button3Click);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    CancelButton = new QPushButton(this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(Button1, &QPushButton::clicked, this, &TLayoutDialog::Button1Click);
    connect(CancelButton, &QPushButton::clicked, this, &TLayoutDialog::CancelButtonClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addStretch(1);
    layout->addLayout(buttons);
    SetTexts();
    PixelsToMM();
    resize(300, 420);
}

void TLayoutDialog::SetTexts()
{
    setWindowTitle(T("Layout and size", "Layout und Größe"));
    GroupBox1->setTitle(T("&Borders && notches", "&Ränder && Notches"));
    LabelH->setText(T("Border height:", "Randhöhe:"));
    LabelW->setText(T("Border width:", "Randbreite:"));
    LabelP->setText(T("Notch height:", "Notch-Höhe:"));
    GroupBox2->setTitle(T("Size of the barcode", "Größe des Barcodes"));
    RadioWindow->setText(T("Always as large as the &window", "Immer so groß wie das &Fenster"));
    RadioCustom->setText(T("Fixed, &defined size", "Feste &definierte Größe"));
    Button3->setText(T("Take over the &current size", "Aktuelle Größe &übernehmen"));
    CancelButton->setText(T("Cancel", "Abbrechen"));
    LabelMM->setText(T("mm at", "mm bei"));
}

void TLayoutDialog::PixelsToMM()
{
    if (m_syncing)
        return;
    m_syncing = true;
    const double inch = 25.4 / EditDpi->value();
    EditMMX->setValue(std::max(0, ParseNumber(EditX->text())) * inch);
    EditMMY->setValue(std::max(0, ParseNumber(EditY->text())) * inch);
    m_syncing = false;
}

void TLayoutDialog::MMToPixels(QDoubleSpinBox* edited)
{
    if (m_syncing)
        return;
    m_syncing = true;
    // Only the edited side: the other keeps its exact pixels.
    const long pixels = std::lround(edited->value() * EditDpi->value() / 25.4);
    (edited == EditMMX ? EditX : EditY)->setText(QString::number(pixels));
    m_syncing = false;
}

void TLayoutDialog::SetCurrentSize(int width, int height)
{
    m_width = width;
    m_height = height;
}

void TLayoutDialog::ShowSizeState()
{
    if (!Barcode || !SizePanel)
        return;
    // The verdict comes from the control's next paint.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    SizePanel->setText(Barcode->IsSizeOk() ? T("Size OK", "Größe OK") : QStringLiteral("Resize!"));
}

void TLayoutDialog::BHeightChange()
{
    if (Barcode)
        Barcode->SetBorderheight(BHeight->value());
    CurrentH->setText(QString::number(BHeight->value()));
    ShowSizeState();
}

void TLayoutDialog::BWidthChange()
{
    if (Barcode)
        Barcode->SetBorderwidth(BWidth->value());
    CurrentW->setText(QString::number(BWidth->value()));
    ShowSizeState();
}

void TLayoutDialog::NProzentChange()
{
    if (Barcode)
        Barcode->SetNotchHeightInPercent(NProzent->value());
    CurrentP->setText(QStringLiteral("%1%").arg(NProzent->value()));
}

void TLayoutDialog::RadioWindowClick()
{
    RadioWindow->setChecked(true);
    RadioCustom->setChecked(false);
    EditX->setEnabled(false);
    EditY->setEnabled(false);
    EditMMX->setEnabled(false);
    EditMMY->setEnabled(false);
}

void TLayoutDialog::RadioCustomClick()
{
    RadioCustom->setChecked(true);
    RadioWindow->setChecked(false);
    EditX->setEnabled(true);
    EditY->setEnabled(true);
    EditMMX->setEnabled(true);
    EditMMY->setEnabled(true);
}

void TLayoutDialog::Button3Click()
{
    RadioCustomClick();
    EditX->setText(QString::number(m_width));
    EditY->setText(QString::number(m_height));
}

void TLayoutDialog::Button1Click()
{
    m_result = true;
    accept();
}

void TLayoutDialog::CancelButtonClick()
{
    m_result = false;
    reject();
}
