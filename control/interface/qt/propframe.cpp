// The property frame and the stock font and colour pages.
#include "control/interface/qt/propframe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstring>
#include <strings.h>

#include "control/interface/qt/barcodeproppage.h"
#include "control/interface/qt/pagelang.h"
#include "platform/com/olecontrol.h"
#include "platform/com/registry.h"

namespace {

// A labelled row of a page; the label's '&' key focuses the control.
void AddRow(QGridLayout* layout, int row, const QString& label, QWidget* control)
{
    auto* text = new QLabel(label, control->parentWidget());
    text->setBuddy(control);
    layout->addWidget(text, row, 0);
    layout->addWidget(control, row, 1);
}

// --- stock pages ---------------------------------------------------------------

// A stock page edits every property of one type (fonts, colours) of the
// objects: a list of those properties and the controls for one value.
template <class T>
class CStockPage : public IPropertyPage {
public:
    CStockPage(QString caption, ValueType type) : m_caption(std::move(caption)), m_type(type) {}
    ~CStockPage() override { Deactivate(); }

    void SetObjects(std::vector<std::shared_ptr<IDispatch>> objects) override { m_objects = std::move(objects); }
    void SetStatusCallback(std::function<void()> callback) override { m_status = std::move(callback); }
    QString Caption() const override { return PageText(m_caption); }

    QWidget* Activate(QWidget* parent) override
    {
        Deactivate();
        m_entries.clear();
        if (!m_objects.empty() && m_objects.front()) {
            IDispatch& object = *m_objects.front();
            for (const MemberDesc& member : object.GetTypeInfo().members) {
                if (member.kind != MemberKind::Property || member.type != m_type)
                    continue;
                try {
                    m_entries.push_back({member.name, FromVariant(object.GetProperty(member.id)), false});
                } catch (const DispatchError&) {
                    // A property that cannot be read is not offered.
                }
            }
        }
        m_window = new QWidget(parent);
        m_window->setObjectName(m_caption);
        auto* layout = new QGridLayout(m_window);
        m_property = new QComboBox(m_window);
        m_property->setObjectName(QStringLiteral("PropertyName"));
        AddRow(layout, 0, PageText("&Property Name:"), m_property);
        for (const Entry& entry : m_entries)
            m_property->addItem(QString::fromStdString(entry.name));
        BuildControls(m_window, layout);
        QObject::connect(m_property, &QComboBox::currentIndexChanged, m_window, [this] { ShowCurrent(); });
        ShowCurrent();
        return m_window;
    }

    void Deactivate() override { delete m_window.data(); }

    bool IsPageDirty() const override
    {
        for (const Entry& entry : m_entries)
            if (entry.changed)
                return true;
        return false;
    }

    bool Apply() override
    {
        for (Entry& entry : m_entries) {
            if (!entry.changed)
                continue;
            for (const auto& object : m_objects) {
                try {
                    if (object)
                        object->PutProperty(entry.name, ToVariant(entry.value));
                } catch (const DispatchError& error) {
                    const std::string text =
                        error.Description().empty() ? DescribeStatus(error.Status()) : error.Description();
                    QMessageBox::warning(m_window, QStringLiteral("Tessaline"), QString::fromUtf8(text));
                    return false;
                }
            }
            entry.changed = false;
        }
        if (m_status)
            m_status();
        return true;
    }

protected:
    virtual void BuildControls(QWidget* window, QGridLayout* layout) = 0;
    virtual void ShowValue(const T& value) = 0;
    virtual Variant ToVariant(const T& value) const = 0;
    virtual T FromVariant(const Variant& value) const = 0;

    // The user chose `value` for the property shown.
    void SetCurrentValue(const T& value)
    {
        const int index = m_property ? m_property->currentIndex() : -1;
        if (index < 0 || size_t(index) >= m_entries.size())
            return;
        m_entries[index].value = value;
        m_entries[index].changed = true;
        ShowValue(value);
        if (m_status)
            m_status();
    }
    const T* CurrentValue() const
    {
        const int index = m_property ? m_property->currentIndex() : -1;
        return index >= 0 && size_t(index) < m_entries.size() ? &m_entries[index].value : nullptr;
    }

private:
    struct Entry {
        std::string name;
        T value;
        bool changed;
    };
    void ShowCurrent()
    {
        if (const T* value = CurrentValue())
            ShowValue(*value);
    }

    QString m_caption;
    ValueType m_type;
    std::vector<std::shared_ptr<IDispatch>> m_objects;
    std::function<void()> m_status;
    std::vector<Entry> m_entries;
    QPointer<QWidget> m_window;
    QComboBox* m_property = nullptr;
};

class CStockFontPage : public CStockPage<FontObject> {
public:
    CStockFontPage() : CStockPage(QStringLiteral("Font"), ValueType::Font) {}

protected:
    void BuildControls(QWidget* window, QGridLayout* layout) override
    {
        m_face = new QFontComboBox(window);
        m_size = new QDoubleSpinBox(window);
        m_size->setRange(1, 1638);
        m_size->setDecimals(2);
        m_bold = new QCheckBox(PageText("&Bold"), window);
        m_italic = new QCheckBox(PageText("&Italic"), window);
        m_underline = new QCheckBox(PageText("&Underline"), window);
        m_strikeout = new QCheckBox(PageText("Stri&keout"), window);
        m_sample = new QLabel(QStringLiteral("AaBbYyZz 0123"), window);
        m_sample->setAlignment(Qt::AlignCenter);
        m_sample->setMinimumHeight(48);
        m_face->setObjectName(QStringLiteral("FontName"));
        m_size->setObjectName(QStringLiteral("FontSize"));
        AddRow(layout, 1, PageText("&Font:"), m_face);
        AddRow(layout, 2, PageText("&Size:"), m_size);
        auto* effects = new QHBoxLayout;
        for (QCheckBox* box : {m_bold, m_italic, m_underline, m_strikeout})
            effects->addWidget(box);
        layout->addLayout(effects, 3, 0, 1, 2);
        layout->addWidget(m_sample, 4, 0, 1, 2);

        const auto edited = [this] { SetCurrentValue(Edited()); };
        QObject::connect(m_face, &QFontComboBox::currentFontChanged, window, edited);
        QObject::connect(m_size, &QDoubleSpinBox::valueChanged, window, edited);
        for (QCheckBox* box : {m_bold, m_italic, m_underline, m_strikeout})
            QObject::connect(box, &QCheckBox::toggled, window, edited);
    }

    void ShowValue(const FontObject& font) override
    {
        const QSignalBlocker b1(m_face), b2(m_size), b3(m_bold), b4(m_italic), b5(m_underline), b6(m_strikeout);
        m_face->setCurrentFont(QFont(QString::fromStdString(font.name)));
        m_shownFamily = m_face->currentFont().family();
        m_size->setValue(font.size);
        m_bold->setChecked(font.Bold());
        m_italic->setChecked(font.italic);
        m_underline->setChecked(font.underline);
        m_strikeout->setChecked(font.strikethrough);
        QFont sample(QString::fromStdString(font.name));
        sample.setPointSizeF(std::min(font.size, 24.0));
        sample.setWeight(QFont::Weight(std::clamp<int>(font.weight, 1, 1000)));
        sample.setItalic(font.italic);
        sample.setUnderline(font.underline);
        sample.setStrikeOut(font.strikethrough);
        m_sample->setFont(sample);
    }

    Variant ToVariant(const FontObject& font) const override { return Variant(font); }
    FontObject FromVariant(const Variant& value) const override
    {
        return value.Type() == ValueType::Font ? value.ToFont() : FontObject();
    }

private:
    // The font the controls show; what they do not show (the character
    // set, a weight between normal and bold) is kept.
    FontObject Edited() const
    {
        FontObject font = CurrentValue() ? *CurrentValue() : FontObject();
        // The list may show a stand-in for a face it lacks; the face
        // changes only when the user picks another.
        if (m_face->currentFont().family() != m_shownFamily)
            font.name = m_face->currentFont().family().toStdString();
        font.size = m_size->value();
        if (m_bold->isChecked() != font.Bold())
            font.weight = m_bold->isChecked() ? FW_BOLD : FW_NORMAL;
        font.italic = m_italic->isChecked();
        font.underline = m_underline->isChecked();
        font.strikethrough = m_strikeout->isChecked();
        return font;
    }

    QFontComboBox* m_face = nullptr;
    QString m_shownFamily;
    QDoubleSpinBox* m_size = nullptr;
    QCheckBox *m_bold = nullptr, *m_italic = nullptr, *m_underline = nullptr, *m_strikeout = nullptr;
    QLabel* m_sample = nullptr;
};

// The sixteen colours of the stock palette (0x00BBGGRR).
struct PaletteColor {
    const char* name;
    OLE_COLOR color;
};
constexpr PaletteColor kPalette[] = {
    {"Black", 0x000000},     {"Blue", 0xFF0000},      {"Cyan", 0xFFFF00},       {"Green", 0x00FF00},
    {"Magenta", 0xFF00FF},   {"Red", 0x0000FF},       {"Yellow", 0x00FFFF},     {"White", 0xFFFFFF},
    {"Dark Blue", 0x800000}, {"Dark Cyan", 0x808000}, {"Dark Green", 0x008000}, {"Dark Magenta", 0x800080},
    {"Dark Red", 0x000080},  {"Brown", 0x008080},     {"Dark Gray", 0x808080},  {"Light Gray", 0xC0C0C0},
};

QColor ToQColor(OLE_COLOR color)
{
    const COLORREF rgb = COleControl::TranslateColor(color);
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

class CStockColorPage : public CStockPage<OLE_COLOR> {
public:
    CStockColorPage() : CStockPage(QStringLiteral("Colors"), ValueType::Color) {}

protected:
    void BuildControls(QWidget* window, QGridLayout* layout) override
    {
        auto* palette = new QGridLayout;
        int i = 0;
        for (const PaletteColor& entry : kPalette) {
            auto* button = new QPushButton(window);
            button->setObjectName(QString::fromLatin1(entry.name));
            button->setToolTip(PageText(entry.name));
            button->setFixedSize(24, 24);
            button->setStyleSheet(
                QStringLiteral("background-color: %1; border: 1px solid gray").arg(ToQColor(entry.color).name()));
            const OLE_COLOR color = entry.color;
            QObject::connect(button, &QPushButton::clicked, window, [this, color] { SetCurrentValue(color); });
            palette->addWidget(button, i / 8, i % 8);
            ++i;
        }
        layout->addWidget(new QLabel(PageText("Color Set:"), window), 1, 0);
        layout->addLayout(palette, 1, 1);
        m_hex = new QLineEdit(window);
        m_hex->setObjectName(QStringLiteral("ColorValue"));
        m_hex->setInputMask(QStringLiteral("\\#HHHHHH"));
        AddRow(layout, 2, PageText("&Value:"), m_hex);
        m_preview = new QLabel(window);
        m_preview->setMinimumHeight(24);
        layout->addWidget(m_preview, 3, 0, 1, 2);
        QObject::connect(m_hex, &QLineEdit::textEdited, window, [this](const QString& text) {
            const QColor color(text);
            if (text.size() == 7 && color.isValid())
                SetCurrentValue(OLE_COLOR(color.red() | color.green() << 8 | color.blue() << 16));
        });
    }

    void ShowValue(const OLE_COLOR& color) override
    {
        const QColor shown = ToQColor(color);
        if (!m_hex->hasFocus())
            m_hex->setText(shown.name());
        m_preview->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray").arg(shown.name()));
    }

    Variant ToVariant(const OLE_COLOR& color) const override { return Variant(int32_t(color)); }
    OLE_COLOR FromVariant(const Variant& value) const override { return OLE_COLOR(value.ToLong()); }

private:
    QLineEdit* m_hex = nullptr;
    QLabel* m_preview = nullptr;
};

// The page classes of this library, by program id.
std::shared_ptr<IPropertyPage> CreateOwnPage(const std::string& progId)
{
    if (strcasecmp(progId.c_str(), kStockFontPage) == 0)
        return std::make_shared<CStockFontPage>();
    if (strcasecmp(progId.c_str(), kStockColorPage) == 0)
        return std::make_shared<CStockColorPage>();
    if (strcasecmp(progId.c_str(), kBarcodePropPageProgId) == 0)
        return std::make_shared<CBarcodePropPage>();
    if (strcasecmp(progId.c_str(), kBarcodePropPageLayoutProgId) == 0)
        return std::make_shared<CBarcodePropPageLayout>();
    return nullptr;
}

bool IsStockPage(const std::string& progId)
{
    return strcasecmp(progId.c_str(), kStockFontPage) == 0 || strcasecmp(progId.c_str(), kStockColorPage) == 0;
}

} // namespace

std::shared_ptr<IPropertyPage> CreatePropertyPage(const std::string& progId, std::string* error)
{
    if (IsStockPage(progId))
        return CreateOwnPage(progId);
    std::string why;
    if (auto page = CreateObject<IPropertyPage>(progId, nullptr, &why))
        return page;
    if (auto page = CreateOwnPage(progId))
        return page;
    if (error)
        *error = why;
    return nullptr;
}

// --- frame -------------------------------------------------------------------------

CPropertyFrame::CPropertyFrame(const QString& caption, std::vector<std::shared_ptr<IDispatch>> objects,
                               const std::vector<std::string>& pageProgIds, QWidget* parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this))
{
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);

    for (const std::string& progId : pageProgIds) {
        auto page = CreatePropertyPage(progId);
        if (!page) {
            m_missing << QString::fromStdString(progId);
            continue;
        }
        page->SetObjects(objects);
        page->SetStatusCallback([this] { UpdateButtons(); });
        QWidget* window = page->Activate(m_tabs);
        m_tabs->addTab(window, page->Caption());
        m_pages.push_back(std::move(page));
    }

    connect(m_buttons, &QDialogButtonBox::accepted, this, [this] {
        if (ApplyAll())
            accept();
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { ApplyAll(); });
    UpdateButtons();
}

CPropertyFrame::~CPropertyFrame()
{
    // The pages' windows go before the pages that fill them.
    for (auto& page : m_pages) {
        page->SetStatusCallback({});
        page->Deactivate();
    }
}

bool CPropertyFrame::ApplyAll()
{
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i]->IsPageDirty() && !m_pages[i]->Apply()) {
            m_tabs->setCurrentIndex(int(i));
            UpdateButtons();
            return false;
        }
    }
    UpdateButtons();
    return true;
}

void CPropertyFrame::UpdateButtons()
{
    bool dirty = false;
    for (const auto& page : m_pages)
        dirty = dirty || page->IsPageDirty();
    if (QPushButton* apply = m_buttons->button(QDialogButtonBox::Apply))
        apply->setEnabled(dirty);
}
