// Property pages built from dialog templates, their data exchange, and the
// up-down control.
#include "control/interface/qt/proppage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>

#include <algorithm>
#include <climits>

#include "control/interface/qt/pagelang.h"
#include "control/interface/qt/resources.h"

// --- up-down control -----------------------------------------------------------

CUpDown::CUpDown(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void CUpDown::SetBuddy(QLineEdit* buddy)
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy)
        m_buddy->installEventFilter(this);
}

void CUpDown::SetRange(int lower, int upper)
{
    m_lower = std::min(lower, upper);
    m_upper = std::max(lower, upper);
}

void CUpDown::Step(int delta)
{
    if (!m_buddy)
        return;
    bool ok = false;
    int value = m_buddy->text().trimmed().toInt(&ok);
    if (!ok)
        value = m_lower;
    // A typed value outside the range is brought back into it by the
    // first step, never beyond it.
    value = std::clamp(std::clamp(value, m_lower, m_upper) + delta, m_lower, m_upper);
    m_buddy->setText(QString::number(value));
}

bool CUpDown::eventFilter(QObject* watched, QEvent* event)
{
    // The key test comes first: a buddy being destroyed still sends events,
    // and is no line edit any more.
    if (event->type() == QEvent::KeyPress && watched == m_buddy.data()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CUpDown::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

// --- page --------------------------------------------------------------------------

namespace {

// Sizes of items whose template gives none, in dialog units.
constexpr int kDefaultHeight = 12;
constexpr int kUpDownWidth = 10;
constexpr int kUpDownHeight = 14;
constexpr int kDropListHeight = 12;
// How far, in dialog units, the insides of the group frames end before
// the page's right edge.
constexpr int kFrameInsetDu = 10;

// Dialog units of a font: a quarter of the average character width and an
// eighth of the character height.
struct DialogUnits {
    double x, y;
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        x = ((width / 26 + 1) / 2) / 4.0;
        y = metrics.height() / 8.0;
    }
    QRect Map(int left, int top, int cx, int cy) const
    {
        return QRect(int(left * x + 0.5), int(top * y + 0.5), int(cx * x + 0.5), int(cy * y + 0.5));
    }
};

} // namespace

CPropertyPage::CPropertyPage(QString caption, std::vector<DialogItem> dialog, int widthDu, int heightDu)
    : m_caption(std::move(caption)), m_dialog(std::move(dialog)), m_widthDu(widthDu), m_heightDu(heightDu)
{
}

CPropertyPage::~CPropertyPage() { Deactivate(); }

QString CPropertyPage::Caption() const { return PageText(m_caption); }

QWidget* CPropertyPage::GetDlgItem(int id) const
{
    for (const auto& [itemId, widget] : m_items)
        if (itemId == id)
            return widget;
    return nullptr;
}

void CPropertyPage::SetControlStatus(int id, bool dirty)
{
    const auto it = std::find(m_dirty.begin(), m_dirty.end(), id);
    if (dirty && it == m_dirty.end())
        m_dirty.push_back(id);
    else if (!dirty && it != m_dirty.end())
        m_dirty.erase(it);
    if (m_status)
        m_status();
}

bool CPropertyPage::IsControlDirty(int id) const
{
    return std::find(m_dirty.begin(), m_dirty.end(), id) != m_dirty.end();
}

void CPropertyPage::Build()
{
    QWidget* window = m_window;
    // The templates are laid out for a small sans-serif face of 8 points.
    QFont font(QStringLiteral("Arial"), 8);
    font.setStyleHint(QFont::SansSerif);
    window->setFont(font);
    const DialogUnits du(window->font());
    window->setFixedSize(du.Map(0, 0, m_widthDu, m_heightDu).size());
    // A user's change marks its control dirty; loading values does not.
    const auto changed = [this](int id) {
        return [this, id] {
            if (!m_loading)
                SetControlStatus(id, true);
        };
    };

    QLabel* pendingMnemonic = nullptr; // a label whose '&' key focuses the next control
    for (const DialogItem& item : m_dialog) {
        QWidget* widget = nullptr;
        const QString raw = QString::fromUtf8(item.text ? item.text : "");
        // Captions follow the pages' language; list entries and picture
        // ids are data.
        const bool caption = item.kind != DialogItem::DropList && item.kind != DialogItem::Picture;
        const QString text = caption ? PageText(item.text ? item.text : "") : raw;
        switch (item.kind) {
        case DialogItem::GroupBox: {
            auto* group = new QGroupBox(text, window);
            // Frames as the templates place them: the title starts at the
            // box's top and the frame line runs through the title's middle,
            // so that neighbouring frames line up and hold the controls laid
            // into them. (On the box alone: a style sheet on the page would
            // stop its font reaching the other controls.)
            group->setStyleSheet(QStringLiteral(
                "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
                "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 5px;"
                " padding: 0 2px; }"));
            group->setFont(font);
            widget = group;
            break;
        }
        case DialogItem::Label: {
            auto* label = new QLabel(text, window);
            if (text.contains(QLatin1Char('&')))
                pendingMnemonic = label;
            widget = label;
            break;
        }
        case DialogItem::Edit:
        case DialogItem::DigitEdit:
        case DialogItem::ReadOnlyEdit: {
            auto* edit = new QLineEdit(window);
            if (item.kind == DialogItem::DigitEdit) {
                edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
                edit->setAlignment(Qt::AlignCenter);
            }
            if (item.kind == DialogItem::ReadOnlyEdit)
                edit->setEnabled(false); // display only
            QObject::connect(edit, &QLineEdit::textChanged, window, changed(item.id));
            widget = edit;
            break;
        }
        case DialogItem::MultiEdit: {
            auto* edit = new QPlainTextEdit(window);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            QObject::connect(edit, &QPlainTextEdit::textChanged, window, changed(item.id));
            widget = edit;
            break;
        }
        case DialogItem::PushButton: widget = new QPushButton(text, window); break;
        case DialogItem::BitmapButton: widget = new QPushButton(window); break;
        case DialogItem::CheckBox: {
            auto* check = new QCheckBox(text, window);
            QObject::connect(check, &QCheckBox::toggled, window, changed(item.id));
            widget = check;
            break;
        }
        case DialogItem::DropList: {
            auto* list = new QComboBox(window);
            list->setEditable(false);
            // The entries come with the template, one per line, unsorted.
            if (!text.isEmpty())
                list->addItems(text.split(QLatin1Char('\n')));
            list->setCurrentIndex(-1);
            QObject::connect(list, &QComboBox::currentIndexChanged, window, changed(item.id));
            widget = list;
            break;
        }
        case DialogItem::Picture: {
            auto* picture = new QLabel(window);
            picture->setPixmap(LoadResourceBitmap(text.toInt()));
            picture->setScaledContents(true);
            widget = picture;
            break;
        }
        case DialogItem::UpDown: {
            auto* upDown = new CUpDown(window);
            upDown->SetBuddy(qobject_cast<QLineEdit*>(GetDlgItem(item.buddy)));
            widget = upDown;
            break;
        }
        }

        // Measured with the page's font and style, as it will be shown.
        widget->ensurePolished();
        int cx = item.cx, cy = item.cy;
        if (item.kind == DialogItem::UpDown) {
            cx = cx ? cx : kUpDownWidth;
            cy = cy ? cy : kUpDownHeight;
        } else if (item.kind == DialogItem::DropList) {
            cy = cy ? cy : kDropListHeight;
        }
        QRect rect = du.Map(item.x, item.y, cx, cy ? cy : kDefaultHeight);
        if (!cx) // a label sized by its text
            rect.setWidth(widget->sizeHint().width());
        if (item.kind == DialogItem::DropList || item.kind == DialogItem::Label || !cy)
            rect.setHeight(std::max(rect.height(), widget->sizeHint().height()));
        if (auto* upDown = qobject_cast<CUpDown*>(widget); upDown && upDown->Buddy()) {
            // Aligned to its buddy's right edge, inside it, as tall as it.
            QLineEdit* buddy = upDown->Buddy();
            const QRect edit = buddy->geometry();
            rect = QRect(edit.right() + 1 - rect.width(), edit.top(), rect.width(), edit.height());
            buddy->setGeometry(edit.adjusted(0, 0, -rect.width(), 0));
        }
        if (item.kind == DialogItem::CheckBox) {
            // The template's boxes were measured for another face: a caption
            // that does not fit grows up to the group frame's inner edge, and
            // what still does not fit takes a narrower spacing of its face.
            const int limit = du.Map(m_widthDu - kFrameInsetDu, 0, 0, 0).left() - rect.left();
            if (widget->sizeHint().width() > rect.width())
                rect.setWidth(std::min(widget->sizeHint().width(), std::max(limit, rect.width())));
            if (widget->sizeHint().width() > rect.width()) {
                QFont narrow = widget->font();
                narrow.setStretch(QFont::SemiCondensed);
                widget->setFont(narrow);
                if (widget->sizeHint().width() > rect.width()) {
                    narrow.setStretch(QFont::Unstretched);
                    narrow.setPointSizeF(narrow.pointSizeF() * rect.width() / widget->sizeHint().width());
                    widget->setFont(narrow);
                }
            }
        }
        widget->setGeometry(rect);

        if (item.id >= 0) {
            widget->setObjectName(QStringLiteral("ctl%1").arg(item.id));
            m_items.emplace_back(item.id, widget);
            if (pendingMnemonic && pendingMnemonic != widget) {
                pendingMnemonic->setBuddy(widget);
                pendingMnemonic = nullptr;
            }
        }
    }
}

QWidget* CPropertyPage::Activate(QWidget* parent)
{
    Deactivate();
    m_window = new QWidget(parent);
    m_window->setObjectName(m_caption);
    m_loading = true; // filling the lists is not a user's change
    Build();
    // The first exchange fills the controls; it marks nothing dirty.
    UpdateData(false);
    OnInitDialog();
    m_dirty.clear();
    return m_window;
}

void CPropertyPage::Deactivate()
{
    m_items.clear();
    m_dirty.clear();
    delete m_window.data();
}

bool CPropertyPage::UpdateData(bool save)
{
    CDataExchange dx(this, save);
    m_loading = !save;
    DoDataExchange(&dx);
    m_loading = false;
    return !dx.Failed();
}

bool CPropertyPage::Apply()
{
    if (!m_window)
        return true;
    if (m_dirty.empty())
        return true;
    if (!UpdateData(true))
        return false;
    m_dirty.clear();
    if (m_status)
        m_status();
    return true;
}

// --- data exchange ---------------------------------------------------------------

void CDataExchange::Fail(int id, const QString& message)
{
    m_failed = true;
    QWidget* control = m_page->GetDlgItem(id);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tessaline"), message, QMessageBox::Ok, m_page->Window());
    box.exec();
    if (control)
        control->setFocus();
}

bool CDataExchange::Read(const char* property, Variant& value)
{
    const auto& objects = m_page->Objects();
    if (objects.empty() || !objects.front())
        return false;
    try {
        value = objects.front()->GetProperty(property);
        return true;
    } catch (const DispatchError&) {
        return false;
    }
}

void CDataExchange::Record(int id, const char* property, std::function<Variant()> value)
{
    if (m_page->IsControlDirty(id))
        m_pending.push_back({property, std::move(value), id});
}

void CDataExchange::PostProcessing()
{
    if (!m_save || m_failed)
        return;
    for (const Pending& pending : m_pending) {
        const Variant value = pending.value();
        for (const auto& object : m_page->Objects()) {
            if (!object)
                continue;
            try {
                object->PutProperty(pending.property, value);
            } catch (const DispatchError& error) {
                const std::string text = error.Description().empty() ? DescribeStatus(error.Status())
                                                                      : error.Description();
                Fail(pending.id, QString::fromUtf8(text));
                return;
            }
        }
    }
}

namespace {

// A DDP_ call: loading reads the property into the member (converted as
// the member's type), saving records the member for post-processing.
template <class T, class FromVariant>
void Exchange(CDataExchange* dx, int id, T& member, const char* property, FromVariant from)
{
    if (dx->Failed())
        return;
    if (dx->IsSaving()) {
        dx->Record(id, property, [&member] { return Variant(member); });
        return;
    }
    Variant value;
    if (!dx->Read(property, value))
        return;
    try {
        member = from(value);
    } catch (const DispatchError&) {
        // A value of another type keeps the member as it was.
    }
}

} // namespace

void DDP_Check(CDataExchange* dx, int id, int& member, const char* property)
{
    if (dx->IsSaving() && !dx->Failed()) {
        dx->Record(id, property, [&member] { return Variant(member != 0); });
        return;
    }
    Exchange(dx, id, member, property, [](const Variant& v) { return v.ToBool() ? 1 : 0; });
}

void DDP_Text(CDataExchange* dx, int id, std::string& member, const char* property)
{
    Exchange(dx, id, member, property, [](const Variant& v) { return v.ToString(); });
}

void DDP_Text(CDataExchange* dx, int id, int16_t& member, const char* property)
{
    Exchange(dx, id, member, property, [](const Variant& v) { return v.ToShort(); });
}

void DDP_CBString(CDataExchange* dx, int id, std::string& member, const char* property)
{
    Exchange(dx, id, member, property, [](const Variant& v) { return v.ToString(); });
}

void DDP_PostProcessing(CDataExchange* dx) { dx->PostProcessing(); }

void DDX_Check(CDataExchange* dx, int id, int& member)
{
    auto* check = dx->Page()->Item<QCheckBox>(id);
    if (dx->Failed() || !check)
        return;
    if (dx->IsSaving())
        member = check->isChecked() ? 1 : 0;
    else
        check->setChecked(member != 0);
}

void DDX_Text(CDataExchange* dx, int id, std::string& member)
{
    QWidget* control = dx->Page()->GetDlgItem(id);
    if (dx->Failed() || !control)
        return;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
        if (dx->IsSaving())
            member = edit->toPlainText().toStdString();
        else
            edit->setPlainText(QString::fromStdString(member));
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        if (dx->IsSaving())
            member = line->text().toStdString();
        else
            line->setText(QString::fromStdString(member));
    }
}

void DDX_Text(CDataExchange* dx, int id, int16_t& member)
{
    auto* edit = dx->Page()->Item<QLineEdit>(id);
    if (dx->Failed() || !edit)
        return;
    if (!dx->IsSaving()) {
        edit->setText(QString::number(member));
        return;
    }
    bool ok = false;
    const qlonglong value = edit->text().trimmed().toLongLong(&ok);
    if (!ok)
        dx->Fail(id, PageText("Please enter an integer."));
    else if (value < SHRT_MIN || value > SHRT_MAX)
        dx->Fail(id, PageText("Please enter an integer between %1 and %2.").arg(SHRT_MIN).arg(SHRT_MAX));
    else
        member = int16_t(value);
}

int FindStringPrefix(const QStringList& entries, const QString& prefix)
{
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].startsWith(prefix, Qt::CaseInsensitive))
            return i;
    return -1;
}

void DDX_CBString(CDataExchange* dx, int id, std::string& member)
{
    auto* list = dx->Page()->Item<QComboBox>(id);
    if (dx->Failed() || !list)
        return;
    if (dx->IsSaving()) {
        member = list->currentIndex() >= 0 ? list->currentText().toStdString() : std::string();
        return;
    }
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    // No entry begins with the value: the selection stays as it was.
    const int index = FindStringPrefix(entries, QString::fromStdString(member));
    if (index >= 0)
        list->setCurrentIndex(index);
}
