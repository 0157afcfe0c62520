// The general and layout property pages of the control: their dialog
// templates, the demo table, and the exchange of each page, in order.
#include "control/interface/qt/barcodeproppage.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <string_view>

#include "control/interface/qt/pagelang.h"
#include "control/interface/qt/resources.h"

const CLSID CLSID_BarcodePropPage = {0x062C408F, 0xE2BA, 0x4F43, {0xB2, 0x12, 0x25, 0x69, 0x5F, 0xB2, 0xCA, 0x50}};
const CLSID CLSID_BarcodePropPageLayout = {0x4010C16C, 0x0D70, 0x4986, {0xB6, 0xA3, 0xA4, 0x9E, 0x1F, 0x23, 0x74, 0x62}};

namespace {

constexpr int kPageWidth = 250, kPageHeight = 110; // dialog units

// The type list, unsorted: every name comes before the longer names that
// begin with it, because a property value selects the first entry that
// begins with it ("Code 128" before "Code 128A").
constexpr const char* kTypeNames = "Codabar\nCode 128\nCode 128A\nCode 128B\nCode 128C\nCode 25\n"
                                   "Code 25 Interleaved\nCode 39\nCode 39 Checksum\nCode 39 Extended\n"
                                   "Code 39 Extended Checksum\nCode 93\nCode 93 Extended\nEAN 13\nEAN 14\n"
                                   "EAN 18/NVE\nEAN 2\nEAN 5\nEAN 8\nEAN 99\nEAN/UCC 128\nEAN/UCC 128 AI\n"
                                   "Identcode\nISBN\nITF 14\nLeitcode\nMSI\nPostNet\nPZN\nRoyal Mail\nSSCC 18\n"
                                   "UPC A\nUPC E\nNone";

const std::vector<DialogItem> kGeneralDialog = {
    {DialogItem::GroupBox, -1, "Encoded data:", 2, 0, 241, 55},
    {DialogItem::Label, -1, "&Text:", 5, 12, 0, 0},
    {DialogItem::MultiEdit, IDC_TEXT, "", 31, 9, 205, 32},
    {DialogItem::BitmapButton, IDC_DEMOTEXT, "", 6, 23, 18, 14},
    {DialogItem::CheckBox, IDC_SHOWTEXT, "&ShowText (print data as human readable text with barcode)", 31, 43, 203, 10},
    {DialogItem::GroupBox, -1, "Barcode symbology used to encode the text/data:", 2, 55, 241, 26},
    {DialogItem::Label, -1, "T&ype:", 5, 66, 0, 0},
    {DialogItem::DropList, IDC_TYPENAME, kTypeNames, 31, 64, 142, 0},
    {DialogItem::GroupBox, -1, "Orientation:", 2, 82, 241, 26},
    {DialogItem::Label, -1, "&Rotate:", 5, 92, 0, 0},
    {DialogItem::DropList, IDC_ROTATE, "0\n90\n180\n270", 31, 90, 142, 0},
    {DialogItem::PushButton, IDC_ABOUT, "&About...", 178, 90, 59, 13},
};

const std::vector<DialogItem> kLayoutDialog = {
    {DialogItem::Picture, -1, "214", 3, 3, 156, 74},
    {DialogItem::GroupBox, -1, "Light Margin top && bottom:  ", 161, 2, 86, 37},
    {DialogItem::Label, -1, "Borderheight:", 165, 15, 0, 0},
    {DialogItem::DigitEdit, IDC_BORDERHEIGHT, "", 210, 12, 28, 14},
    {DialogItem::UpDown, IDC_SPIN_BORDERHEIGHT, "", 230, 5, 0, 0, IDC_BORDERHEIGHT},
    {DialogItem::Label, -1, "MaxBorderheight:", 165, 28, 0, 0},
    {DialogItem::ReadOnlyEdit, IDC_MAXBORDERHEIGHT, "", 226, 28, 21, 12},
    {DialogItem::GroupBox, -1, "Light Margin left && right: ", 161, 41, 86, 37},
    {DialogItem::Label, -1, "Borderwidth:", 165, 54, 0, 0},
    {DialogItem::DigitEdit, IDC_BORDERWIDTH, "", 210, 51, 28, 14},
    {DialogItem::UpDown, IDC_SPIN_BORDERWIDTH, "", 234, 54, 0, 0, IDC_BORDERWIDTH},
    {DialogItem::Label, -1, "MaxBorderwidth:", 165, 67, 0, 0},
    {DialogItem::ReadOnlyEdit, IDC_MAXBORDERWIDTH, "", 225, 67, 21, 12},
    {DialogItem::Label, -1, "NotchHeightInPercent:", 8, 88, 0, 0},
    {DialogItem::DigitEdit, IDC_NOTCH, "", 84, 85, 28, 14},
    {DialogItem::UpDown, IDC_SPIN_NOTCH, "", 112, 88, 0, 0, IDC_NOTCH},
};

// The demo text of each entry of the type list; names compare exactly.
struct DemoEntry {
    std::string_view name;
    const char* text;
};
constexpr DemoEntry kDemoTexts[] = {
    {"EAN 13", "123456789012"},
    {"EAN 14", "12345678901231"},
    {"Codabar", "A1234A"},
    {"Code 25", "12345"},
    {"Code 25 Interleaved", "012345"},
    {"Code 39", "CODE 39"},
    {"Code 39 Checksum", "CODE 39 CHECKSUM"},
    {"Code 39 Extended", "CODE 39 EXT"},
    {"Code 39 Extended Checksum", "CODE 39 EXTENDED CHECKSUM"},
    {"Code 93", "CODE93"},
    {"Code 93 Extended", "Code 39 Ext"},
    {"Code 128", "Code 128"},
    {"Code 128A", "1234567890"},
    {"Code 128B", "Code 128B"},
    {"Code 128C", "1234567890"},
    {"EAN/UCC 128", "EAN/UCC 128"},
    {"EAN/UCC 128 AI", "(01)01234567890128(15)051231"},
    {"EAN 18/NVE", "34012345000000000"},
    {"EAN 2", "12"},
    {"EAN 5", "12345"},
    {"EAN 8", "1234567"},
    {"EAN 99", "993456789012"},
    {"Identcode", "56310243031"},
    {"ISBN", "123456789"},
    {"ITF 14", "3071234500001"},
    {"Leitcode", "2134807501640"},
    {"MSI", "12345"},
    {"PostNet", "12345"},
    {"PZN", "123456"},
    {"Royal Mail", "12345"},
    {"UPC A", "12345678901"},
    {"UPC E", "123456"},
    {"SSCC 18", "10065300555555555"},
};

} // namespace

// --- general page ------------------------------------------------------------

CBarcodePropPage::CBarcodePropPage() : CPropertyPage(QStringLiteral("General"), kGeneralDialog, kPageWidth, kPageHeight)
{
}

std::string CBarcodePropPage::DemoText(const std::string& typeName)
{
    for (const DemoEntry& entry : kDemoTexts)
        if (entry.name == typeName)
            return entry.text;
    return {};
}

void CBarcodePropPage::DoDataExchange(CDataExchange* dx)
{
    DDP_Check(dx, IDC_SHOWTEXT, m_bShowText, "ShowText");
    DDX_Check(dx, IDC_SHOWTEXT, m_bShowText);
    DDP_Text(dx, IDC_TEXT, m_strText, "Text");
    DDX_Text(dx, IDC_TEXT, m_strText);
    DDP_CBString(dx, IDC_TYPENAME, m_strTypeName, "TypeName");
    DDX_CBString(dx, IDC_TYPENAME, m_strTypeName);
    DDP_CBString(dx, IDC_ROTATE, m_strRotate, "Rotate");
    DDX_CBString(dx, IDC_ROTATE, m_strRotate);
    DDP_PostProcessing(dx);
}

void CBarcodePropPage::OnInitDialog()
{
    if (auto* demo = Item<QPushButton>(IDC_DEMOTEXT)) {
        const QPixmap bitmap = LoadResourceBitmap(IDB_DEMOTEXT);
        demo->setIcon(QIcon(bitmap));
        demo->setIconSize(bitmap.size());
        demo->setToolTip(PageText("Demo text"));
        QObject::connect(demo, &QPushButton::clicked, demo, [this] { OnDemoText(); });
    }
    if (auto* about = Item<QPushButton>(IDC_ABOUT))
        QObject::connect(about, &QPushButton::clicked, about, [this] { OnAbout(); });
}

void CBarcodePropPage::OnDemoText()
{
    auto* list = Item<QComboBox>(IDC_TYPENAME);
    auto* edit = Item<QPlainTextEdit>(IDC_TEXT);
    if (!list || !edit)
        return;
    const std::string selected = list->currentIndex() >= 0 ? list->currentText().toStdString() : std::string();
    // Replace the whole text as one undoable edit; it reaches the control
    // when the page is applied.
    edit->selectAll();
    edit->ensureCursorVisible();
    edit->insertPlainText(QString::fromStdString(DemoText(selected)));
}

void CBarcodePropPage::OnAbout()
{
    if (Objects().empty() || !Objects().front())
        return;
    try {
        Objects().front()->Call(DISPID_ABOUTBOX);
    } catch (const DispatchError&) {
        // An object without an about box: nothing to show.
    }
}

// --- layout page ---------------------------------------------------------------

CBarcodePropPageLayout::CBarcodePropPageLayout()
    : CPropertyPage(QStringLiteral("Layout"), kLayoutDialog, kPageWidth, kPageHeight)
{
}

void CBarcodePropPageLayout::DoDataExchange(CDataExchange* dx)
{
    DDP_Text(dx, IDC_BORDERWIDTH, m_nBorderwidth, "Borderwidth");
    DDX_Text(dx, IDC_BORDERWIDTH, m_nBorderwidth);
    DDP_Text(dx, IDC_BORDERHEIGHT, m_nBorderheight, "Borderheight");
    DDX_Text(dx, IDC_BORDERHEIGHT, m_nBorderheight);
    DDP_Text(dx, IDC_NOTCH, m_nNotchHeightInPercent, "NotchHeightInPercent");
    DDX_Text(dx, IDC_NOTCH, m_nNotchHeightInPercent);
    DDP_Text(dx, IDC_MAXBORDERWIDTH, m_nMaxBorderwidth, "MaxBorderwidth");
    DDX_Text(dx, IDC_MAXBORDERWIDTH, m_nMaxBorderwidth);
    DDP_Text(dx, IDC_MAXBORDERHEIGHT, m_nMaxBorderheight, "MaxBorderheight");
    DDX_Text(dx, IDC_MAXBORDERHEIGHT, m_nMaxBorderheight);
    DDP_PostProcessing(dx);
}

void CBarcodePropPageLayout::OnInitDialog()
{
    // The arrows stay within the ranges the control accepts; a value typed
    // into an edit is still sent, and the control's setter decides.
    if (auto* spin = Item<CUpDown>(IDC_SPIN_BORDERWIDTH))
        spin->SetRange(0, m_nMaxBorderwidth);
    if (auto* spin = Item<CUpDown>(IDC_SPIN_BORDERHEIGHT))
        spin->SetRange(0, m_nMaxBorderheight);
    if (auto* spin = Item<CUpDown>(IDC_SPIN_NOTCH))
        spin->SetRange(0, 100);
}
