#include "qt_host.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <map>

#include "control/interface/barcodelib.h"
#include "control/interface/qt/barcodehost.h"
#include "control/interface/qt/barcodeproppage.h"
#include "control/interface/qt/propframe.h"

using qttest::Box;

namespace {

// An object with the control's dispatch interface that keeps the values
// written to it and records every write, by member name.
class CRecordingObject : public IDispatch {
public:
    std::map<DISPID, Variant> values;
    std::vector<std::string> writes;

    const InterfaceDesc& GetTypeInfo() const override { return *BarcodeTypeLib().dispatch; }
    Variant Invoke(DISPID id, uint16_t flags, const std::vector<Variant>& args) override
    {
        const MemberDesc* member = GetTypeInfo().Find(id);
        if (!member)
            throw DispatchError(DISP_E_MEMBERNOTFOUND);
        if (flags & DISPATCH_PROPERTYPUT) {
            if (member->kind == MemberKind::ReadOnlyProperty)
                throw DispatchError(CTL_E_SETNOTSUPPORTED);
            writes.push_back(std::string(member->name) + "=" + args.at(0).ToString());
            values[id] = args.at(0);
            return {};
        }
        const auto it = values.find(id);
        return it == values.end() ? Variant() : it->second;
    }
};

std::shared_ptr<CRecordingObject> NewRecordingObject()
{
    auto object = std::make_shared<CRecordingObject>();
    object->values = {
        {dispidShowText, true},
        {DISPID_TEXT, "123456789012"},
        {dispidTypeName, "EAN 13"},
        {dispidRotate, int16_t(0)},
        {dispidBorderwidth, int16_t(3)},
        {dispidBorderheight, int16_t(4)},
        {dispidNotchHeightInPercent, int16_t(25)},
        {dispidMaxBorderwidth, int16_t(130)},
        {dispidMaxBorderheight, int16_t(80)},
    };
    return object;
}

QStringList Entries(const QComboBox* list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    return entries;
}

// Selects the entry with that text as a user would.
void Select(QComboBox* list, const QString& text)
{
    const int index = list->findText(text, Qt::MatchExactly);
    ASSERT_GE(index, 0) << text.toStdString();
    list->setCurrentIndex(index);
}

// Replaces an edit's text as if typed.
void Type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    edit->del();
    QTest::keyClicks(edit, text);
}

class PropertyPages : public ::testing::Test {
protected:
    // A sheet of one page for `object`.
    std::unique_ptr<CPropertyFrame> OpenPage(const char* progId, std::shared_ptr<IDispatch> object)
    {
        auto frame = std::make_unique<CPropertyFrame>(QStringLiteral("Tessaline Properties"),
                                                      std::vector<std::shared_ptr<IDispatch>>{object},
                                                      std::vector<std::string>{progId});
        EXPECT_EQ(frame->PageCount(), 1u);
        frame->show();
        return frame;
    }
    CPropertyPage& PageOf(const CPropertyFrame& frame) { return dynamic_cast<CPropertyPage&>(*frame.Page(0)); }

    // A shown control of that size, for the setters' range checks.
    std::shared_ptr<IDispatch> ShownControl(int width, int height)
    {
        EXPECT_TRUE(host.CreateControl());
        host.resize(width, height);
        host.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&host));
        return host.Dispatch();
    }

    CBarcodeHost host;
};

TEST_F(PropertyPages, PropertiesVerbOpensTheFourPagesInOrder)
{
    ASSERT_TRUE(host.CreateControl());
    QStringList tabs;
    QStringList missing;
    QString title;
    const auto seen = qttest::OnNextModal([&](QWidget* modal) {
        auto* frame = qobject_cast<CPropertyFrame*>(modal);
        ASSERT_TRUE(frame);
        title = frame->windowTitle();
        for (int i = 0; i < frame->Tabs()->count(); ++i)
            tabs << frame->Tabs()->tabText(i);
        missing = frame->Missing();
        frame->Buttons()->button(QDialogButtonBox::Cancel)->click();
    });
    EXPECT_TRUE(host.DoVerb(OLEIVERB_PROPERTIES));
    ASSERT_TRUE(*seen);
    EXPECT_EQ(title, QStringLiteral("Tessaline Properties"));
    EXPECT_EQ(tabs, (QStringList{"General", "Font", "Colors", "Layout"}));
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_FALSE(host.DoVerb(-99));
}

TEST_F(PropertyPages, PageClassesAreRegisteredUnderTheirProgIds)
{
    struct Case {
        const char* progId;
        const CLSID& clsid;
        const char* caption;
    };
    const Case cases[] = {
        {"BARCODE.BarcodePropPage.1", CLSID_BarcodePropPage, "General"},
        {"barcode.CBarcodePropPageLayout", CLSID_BarcodePropPageLayout, "Layout"},
    };
    const std::string library = ModulePath(reinterpret_cast<const void*>(&CreatePropertyPage));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.progId);
        CLSID clsid;
        ASSERT_EQ(CLSIDFromProgID(c.progId, clsid), S_OK);
        EXPECT_EQ(clsid, c.clsid);
        EXPECT_FALSE(clsid == CLSID_Barcode);
        EXPECT_EQ(GetInprocServer(clsid), library);
        HRESULT status = E_FAIL;
        const auto page = CreateObject<IPropertyPage>(c.progId, &status);
        ASSERT_TRUE(page) << std::hex << status;
        EXPECT_EQ(page->Caption(), QString::fromLatin1(c.caption));
    }

    ASSERT_EQ(qttest::RegSvr("-u " + qttest::QtLibrary()), 0);
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(kBarcodePropPageProgId, clsid), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CLSIDFromProgID(kBarcodePropPageLayoutProgId, clsid), REGDB_E_CLASSNOTREG);
    // The control itself stays registered.
    EXPECT_EQ(CLSIDFromProgID(kBarcodeProgId, clsid), S_OK);
    ASSERT_EQ(qttest::RegSvr(qttest::QtLibrary()), 0);
}

TEST_F(PropertyPages, GeneralPageShowsTheTypeListAndTheControlsValues)
{
    const auto control = ShownControl(300, 150);
    control->PutProperty("Type", int32_t(CODECODE128));
    control->PutProperty("Text", "Code 128");
    control->PutProperty("Rotate", int16_t(90));
    control->PutProperty("ShowText", false);
    const auto frame = OpenPage(kBarcodePropPageProgId, control);
    CPropertyPage& page = PageOf(*frame);

    auto* types = page.Item<QComboBox>(IDC_TYPENAME);
    ASSERT_TRUE(types);
    EXPECT_EQ(Entries(types),
              (QStringList{"Codabar",
                           "Code 128",
                           "Code 128A",
                           "Code 128B",
                           "Code 128C",
                           "Code 25",
                           "Code 25 Interleaved",
                           "Code 39",
                           "Code 39 Checksum",
                           "Code 39 Extended",
                           "Code 39 Extended Checksum",
                           "Code 93",
                           "Code 93 Extended",
                           "EAN 13",
                           "EAN 14",
                           "EAN 18/NVE",
                           "EAN 2",
                           "EAN 5",
                           "EAN 8",
                           "EAN 99",
                           "EAN/UCC 128",
                           "EAN/UCC 128 AI",
                           "Identcode",
                           "ISBN",
                           "ITF 14",
                           "Leitcode",
                           "MSI",
                           "PostNet",
                           "PZN",
                           "Royal Mail",
                           "SSCC 18",
                           "UPC A",
                           "UPC E",
                           "None"}));
    // "Code 128" picks its own entry, not the longer "Code 128A".
    EXPECT_EQ(types->currentText(), QStringLiteral("Code 128"));
    EXPECT_EQ(Entries(page.Item<QComboBox>(IDC_ROTATE)), (QStringList{"0", "90", "180", "270"}));
    EXPECT_EQ(page.Item<QComboBox>(IDC_ROTATE)->currentText(), QStringLiteral("90"));
    EXPECT_EQ(page.Item<QPlainTextEdit>(IDC_TEXT)->toPlainText(), QStringLiteral("Code 128"));
    EXPECT_FALSE(page.Item<QCheckBox>(IDC_SHOWTEXT)->isChecked());
    EXPECT_FALSE(page.IsPageDirty());

    // Every name selects its own entry: a prefix never steals a longer name.
    for (const QString& name : Entries(types)) {
        if (name == QStringLiteral("None"))
            continue;
        control->PutProperty("TypeName", name.toStdString());
        const auto again = OpenPage(kBarcodePropPageProgId, control);
        EXPECT_EQ(PageOf(*again).Item<QComboBox>(IDC_TYPENAME)->currentText(), name);
    }
}

TEST_F(PropertyPages, GeneralPageWritesOnlyChangedValuesInExchangeOrder)
{
    const auto object = NewRecordingObject();
    {
        const auto frame = OpenPage(kBarcodePropPageProgId, object);
        CPropertyPage& page = PageOf(*frame);
        EXPECT_TRUE(page.Item<QCheckBox>(IDC_SHOWTEXT)->isChecked());
        EXPECT_EQ(page.Item<QComboBox>(IDC_TYPENAME)->currentText(), QStringLiteral("EAN 13"));
        EXPECT_TRUE(page.Apply()); // nothing changed, nothing written
        EXPECT_TRUE(object->writes.empty());

        // Changed in the reverse of the exchange order.
        Select(page.Item<QComboBox>(IDC_ROTATE), QStringLiteral("270"));
        Select(page.Item<QComboBox>(IDC_TYPENAME), QStringLiteral("Code 39"));
        page.Item<QPlainTextEdit>(IDC_TEXT)->setPlainText(QStringLiteral("ABC-1"));
        page.Item<QCheckBox>(IDC_SHOWTEXT)->click();
        EXPECT_TRUE(page.IsPageDirty());
        EXPECT_TRUE(frame->Buttons()->button(QDialogButtonBox::Apply)->isEnabled());
        frame->Buttons()->button(QDialogButtonBox::Apply)->click();
        EXPECT_EQ(object->writes,
                  (std::vector<std::string>{"ShowText=False", "Text=ABC-1", "TypeName=Code 39", "Rotate=270"}));
        EXPECT_FALSE(page.IsPageDirty());
        EXPECT_FALSE(frame->Buttons()->button(QDialogButtonBox::Apply)->isEnabled());
    }
    object->writes.clear();
    const auto frame = OpenPage(kBarcodePropPageProgId, object);
    CPropertyPage& page = PageOf(*frame);
    page.Item<QPlainTextEdit>(IDC_TEXT)->setPlainText(QStringLiteral("XYZ"));
    frame->Buttons()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(object->writes, (std::vector<std::string>{"Text=XYZ"}));
    EXPECT_EQ(frame->result(), QDialog::Accepted);
}

TEST_F(PropertyPages, GeneralPageAppliesToTheControl)
{
    const auto control = ShownControl(300, 150);
    const auto frame = OpenPage(kBarcodePropPageProgId, control);
    CPropertyPage& page = PageOf(*frame);
    auto* text = page.Item<QPlainTextEdit>(IDC_TEXT);
    text->selectAll();
    QTest::keyClicks(text, QStringLiteral("TESSALINE 7"));
    Select(page.Item<QComboBox>(IDC_TYPENAME), QStringLiteral("Code 39 Checksum"));
    Select(page.Item<QComboBox>(IDC_ROTATE), QStringLiteral("180"));
    QTest::mouseClick(page.Item<QCheckBox>(IDC_SHOWTEXT), Qt::LeftButton);
    ASSERT_TRUE(frame->ApplyAll());
    EXPECT_EQ(control->GetProperty("Text").ToString(), "TESSALINE 7");
    EXPECT_EQ(control->GetProperty("TypeName").ToString(), "Code 39 Checksum");
    EXPECT_EQ(control->GetProperty("Type").ToLong(), CODE39CHECKSUM);
    EXPECT_EQ(control->GetProperty("Rotate").ToShort(), 180);
    EXPECT_FALSE(control->GetProperty("ShowText").ToBool());
    EXPECT_TRUE(control->GetProperty("IsValid").ToBool());
}

TEST_F(PropertyPages, DemoButtonFillsTheDemoTextOfTheSelectedType)
{
    const auto object = NewRecordingObject();
    const auto frame = OpenPage(kBarcodePropPageProgId, object);
    CPropertyPage& page = PageOf(*frame);
    auto* types = page.Item<QComboBox>(IDC_TYPENAME);
    auto* text = page.Item<QPlainTextEdit>(IDC_TEXT);
    auto* demo = page.Item<QPushButton>(IDC_DEMOTEXT);
    ASSERT_TRUE(demo);
    EXPECT_FALSE(demo->icon().isNull());
    struct Case {
        const char* type;
        const char* demo;
    };
    const Case cases[] = {
        {"Code 128", "Code 128"},
        {"Code 128A", "1234567890"},
        {"Code 93 Extended", "Code 39 Ext"},
        {"EAN/UCC 128 AI", "(01)01234567890128(15)051231"},
        {"EAN 18/NVE", "34012345000000000"},
        {"SSCC 18", "10065300555555555"},
        {"None", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        text->setPlainText(QStringLiteral("previous\nlines"));
        Select(types, QString::fromLatin1(c.type));
        QTest::mouseClick(demo, Qt::LeftButton);
        EXPECT_EQ(text->toPlainText(), QString::fromLatin1(c.demo));
        // One edit that the user can undo.
        text->undo();
        EXPECT_EQ(text->toPlainText(), QStringLiteral("previous\nlines"));
    }
    // The text reaches the object only when the page is applied.
    Select(types, QStringLiteral("None"));
    QTest::mouseClick(demo, Qt::LeftButton);
    EXPECT_TRUE(object->writes.empty());
    ASSERT_TRUE(frame->ApplyAll());
    EXPECT_EQ(object->writes, (std::vector<std::string>{"Text=", "TypeName=None"}));
}

TEST_F(PropertyPages, DemoTableAgreesWithTheControlsDemoTexts)
{
    // Two tables hold the demo texts: the page's and the control's.
    ASSERT_TRUE(host.CreateControl());
    const auto control = host.Dispatch();
    const auto frame = OpenPage(kBarcodePropPageProgId, control);
    for (const QString& name : Entries(PageOf(*frame).Item<QComboBox>(IDC_TYPENAME))) {
        SCOPED_TRACE(name.toStdString());
        control->PutProperty("TypeName", name.toStdString());
        control->Call("SetDemoText");
        EXPECT_EQ(CBarcodePropPage::DemoText(name.toStdString()), control->GetProperty("Text").ToString());
    }
    EXPECT_EQ(CBarcodePropPage::DemoText("ean 13"), ""); // names compare exactly
}

TEST_F(PropertyPages, LayoutSpinsStopAtTheMaximaWhileTypedValuesReachTheSetters)
{
    // 30 pixels wide: MaxBorderwidth 30 / 2 + 5 = 20.
    const auto control = ShownControl(30, 100);
    ASSERT_EQ(control->GetProperty("MaxBorderwidth").ToShort(), 20);
    const auto frame = OpenPage(kBarcodePropPageLayoutProgId, control);
    CPropertyPage& page = PageOf(*frame);
    auto* width = page.Item<QLineEdit>(IDC_BORDERWIDTH);
    auto* height = page.Item<QLineEdit>(IDC_BORDERHEIGHT);
    auto* notch = page.Item<QLineEdit>(IDC_NOTCH);
    EXPECT_EQ(width->text(), QStringLiteral("3"));
    EXPECT_EQ(height->text(), QStringLiteral("4"));
    EXPECT_EQ(notch->text(), QStringLiteral("25"));
    EXPECT_EQ(page.Item<QLineEdit>(IDC_MAXBORDERWIDTH)->text(), QStringLiteral("20"));
    EXPECT_EQ(page.Item<QLineEdit>(IDC_MAXBORDERHEIGHT)->text(), QStringLiteral("55"));
    EXPECT_FALSE(page.Item<QLineEdit>(IDC_MAXBORDERWIDTH)->isEnabled());
    EXPECT_FALSE(page.Item<QLineEdit>(IDC_MAXBORDERHEIGHT)->isEnabled());

    struct Spin {
        int id;
        QLineEdit* buddy;
        int upper;
    };
    for (const Spin& s : {Spin{IDC_SPIN_BORDERWIDTH, width, 20}, Spin{IDC_SPIN_BORDERHEIGHT, height, 55},
                          Spin{IDC_SPIN_NOTCH, notch, 100}}) {
        SCOPED_TRACE(s.id);
        auto* spin = page.Item<CUpDown>(s.id);
        ASSERT_TRUE(spin);
        EXPECT_EQ(spin->Buddy(), s.buddy);
        EXPECT_EQ(spin->Lower(), 0);
        EXPECT_EQ(spin->Upper(), s.upper);
        const QString before = s.buddy->text();
        for (int i = 0; i < s.upper + 10; ++i)
            spin->Step(+1);
        EXPECT_EQ(s.buddy->text(), QString::number(s.upper));
        QTest::keyClick(s.buddy, Qt::Key_Down);
        EXPECT_EQ(s.buddy->text(), QString::number(s.upper - 1));
        QTest::keyClick(s.buddy, Qt::Key_Up);
        QTest::keyClick(s.buddy, Qt::Key_Up);
        EXPECT_EQ(s.buddy->text(), QString::number(s.upper));
        Type(s.buddy, before);
    }

    // The edits take digits only, and a typed value above the spin's range
    // still reaches the setter, which refuses it with its message.
    Type(width, QStringLiteral("-2x5"));
    EXPECT_EQ(width->text(), QStringLiteral("25"));
    Box box;
    auto seen = qttest::DismissNextBox(box);
    ASSERT_TRUE(frame->ApplyAll());
    ASSERT_TRUE(*seen);
    EXPECT_EQ(box.text, QStringLiteral("Valid Borderwidth range: 0 - 20"));
    EXPECT_EQ(box.caption, QStringLiteral("Tessaline"));
    EXPECT_EQ(control->GetProperty("Borderwidth").ToShort(), 3);

    // A value above the range steps back into it from the arrows.
    page.Item<CUpDown>(IDC_SPIN_BORDERWIDTH)->Step(-1);
    EXPECT_EQ(width->text(), QStringLiteral("19"));
    Type(height, QStringLiteral("50"));
    Type(notch, QStringLiteral("101"));
    seen = qttest::DismissNextBox(box);
    ASSERT_TRUE(frame->ApplyAll());
    ASSERT_TRUE(*seen);
    EXPECT_EQ(box.text, QStringLiteral("Valid NotchHeightInPercent: 0 - 100"));
    EXPECT_EQ(control->GetProperty("Borderwidth").ToShort(), 19);
    EXPECT_EQ(control->GetProperty("Borderheight").ToShort(), 50);
    EXPECT_EQ(control->GetProperty("NotchHeightInPercent").ToShort(), 25);

    // An empty edit is no number: the page says so and writes nothing.
    Type(notch, QString());
    seen = qttest::DismissNextBox(box);
    EXPECT_FALSE(frame->ApplyAll());
    ASSERT_TRUE(*seen);
    EXPECT_EQ(box.text, QStringLiteral("Please enter an integer."));
    EXPECT_EQ(control->GetProperty("NotchHeightInPercent").ToShort(), 25);
}

TEST_F(PropertyPages, LayoutPageWritesInExchangeOrderAndNeverTheMaxima)
{
    const auto object = NewRecordingObject();
    const auto frame = OpenPage(kBarcodePropPageLayoutProgId, object);
    CPropertyPage& page = PageOf(*frame);
    Type(page.Item<QLineEdit>(IDC_NOTCH), QStringLiteral("40"));
    Type(page.Item<QLineEdit>(IDC_BORDERHEIGHT), QStringLiteral("7"));
    page.Item<CUpDown>(IDC_SPIN_BORDERWIDTH)->Step(+1);
    // A number too big for 16 bits is refused by the page itself.
    Type(page.Item<QLineEdit>(IDC_BORDERWIDTH), QStringLiteral("40000"));
    Box box;
    const auto seen = qttest::DismissNextBox(box);
    EXPECT_FALSE(frame->ApplyAll());
    ASSERT_TRUE(*seen);
    EXPECT_EQ(box.text, QStringLiteral("Please enter an integer between -32768 and 32767."));
    EXPECT_TRUE(object->writes.empty());

    Type(page.Item<QLineEdit>(IDC_BORDERWIDTH), QStringLiteral("4"));
    ASSERT_TRUE(frame->ApplyAll());
    EXPECT_EQ(object->writes,
              (std::vector<std::string>{"Borderwidth=4", "Borderheight=7", "NotchHeightInPercent=40"}));
}

TEST_F(PropertyPages, FontAndColourPagesEditTheStockProperties)
{
    const auto control = ShownControl(300, 150);
    {
        const auto frame = OpenPage(kStockFontPage, control);
        QWidget* page = frame->Tabs()->widget(0);
        auto* size = page->findChild<QDoubleSpinBox*>(QStringLiteral("FontSize"));
        ASSERT_TRUE(size);
        EXPECT_DOUBLE_EQ(size->value(), 18.0);
        size->setValue(12);
        ASSERT_TRUE(frame->ApplyAll());
        const FontObject font = control->GetProperty("Font").ToFont();
        EXPECT_DOUBLE_EQ(font.size, 12.0);
        EXPECT_EQ(font.weight, FW_BOLD); // what the page did not touch stays
    }
    const auto frame = OpenPage(kStockColorPage, control);
    QWidget* page = frame->Tabs()->widget(0);
    auto* property = page->findChild<QComboBox*>(QStringLiteral("PropertyName"));
    ASSERT_TRUE(property);
    EXPECT_EQ(Entries(property), (QStringList{"ForeColor", "BackColor"}));
    page->findChild<QPushButton*>(QStringLiteral("Red"))->click();
    Select(property, QStringLiteral("BackColor"));
    Type(page->findChild<QLineEdit*>(QStringLiteral("ColorValue")), QStringLiteral("102030"));
    ASSERT_TRUE(frame->ApplyAll());
    EXPECT_EQ(uint32_t(control->GetProperty("ForeColor").ToLong()), 0x0000FFu);
    EXPECT_EQ(uint32_t(control->GetProperty("BackColor").ToLong()), 0x302010u);
}

} // namespace
