#include "qt_host.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "control/interface/barcodelib.h"
#include "control/interface/qt/barcodehost.h"
#include "platform/com/olecontrol.h"
#include "platform/gdi/raster.h"
#include "tests/support/scan.h"

using qttest::Box;

namespace {

// Receives the addresses handed to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

GrayImage ToGray(const QImage& image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    GrayImage out{gray.width(), gray.height(), {}};
    for (int y = 0; y < gray.height(); ++y)
        out.pixels.insert(out.pixels.end(), gray.constScanLine(y), gray.constScanLine(y) + gray.width());
    return out;
}

// What the control draws on a raster surface of its own at that size.
QImage DrawnByControl(IOleControl& control, int width, int height)
{
    CRasterDC dc(width, height);
    control.Draw(&dc, RECT{0, 0, width, height});
    return QImage(dc.Data(), width, height, dc.Stride(), QImage::Format_RGB32).copy();
}

class QtHost : public ::testing::Test {
protected:
    void Show(int width, int height)
    {
        host.resize(width, height);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    IDispatch& Dispatch() { return *host.Dispatch(); }
    IControlSite& Site() { return *host.Control()->GetClientSite(); }

    CBarcodeHost host;
};

TEST_F(QtHost, CreatesTheControlByProgIdAndSaysWhyOneIsMissing)
{
    QString error;
    ASSERT_TRUE(host.CreateControl(QString::fromLatin1(kBarcodeControlProgId), nullptr, &error)) << error.toStdString();
    EXPECT_EQ(Dispatch().GetProperty("TypeName").ToString(), "EAN 13");
    EXPECT_EQ(Dispatch().GetProperty("Text").ToString(), "123456789012");
    // An unsized widget takes the new control's extent.
    EXPECT_EQ(host.size(), QSize(250, 150));
    EXPECT_EQ(host.sizeHint(), QSize(250, 150));

    EXPECT_FALSE(host.CreateControl(QStringLiteral("BARCODE.NoSuchCtrl.1"), nullptr, &error));
    EXPECT_FALSE(host.HasControl());
    EXPECT_FALSE(host.Dispatch());
    EXPECT_NE(error.indexOf(QStringLiteral("not registered")), -1) << error.toStdString();
    // A registered class that is no control.
    EXPECT_FALSE(host.CreateControl(QStringLiteral("BARCODE.BarcodePropPage.1"), nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(QtHost, CreatesTheControlFromStoredProperties)
{
    CPropertyBag bag;
    bag.Write("Type", int32_t(CODE39));
    bag.Write("Text", "TESSALINE");
    bag.Write("Rotate", int16_t(90));
    host.resize(320, 200);
    ASSERT_TRUE(host.CreateControl(QString::fromLatin1(kBarcodeControlProgId), &bag));
    EXPECT_EQ(Dispatch().GetProperty("TypeName").ToString(), "Code 39");
    EXPECT_EQ(Dispatch().GetProperty("Text").ToString(), "TESSALINE");
    EXPECT_EQ(Dispatch().GetProperty("Rotate").ToShort(), 90);
    // A widget given a size keeps it; the control's extent follows.
    EXPECT_EQ(host.size(), QSize(320, 200));
    EXPECT_EQ(host.Control()->GetExtent().cx, 320);

    CPropertyBag saved;
    ASSERT_TRUE(host.SaveState(saved));
    Variant text;
    ASSERT_TRUE(saved.Read("Text", text));
    EXPECT_EQ(text.ToString(), "TESSALINE");
}

TEST_F(QtHost, PaintsWhatTheControlDrawsOnTheRasterSurface)
{
    ASSERT_TRUE(host.CreateControl());
    Show(300, 150);
    struct Case {
        int type;
        const char* text;
        int16_t rotate;
        const char* format;
        const char* decoded;
    };
    const Case cases[] = {
        {CODEEAN13, "123456789012", 0, "EAN13", "1234567890128"},
        {CODEEAN13, "400638133393", 90, "EAN13", "4006381333931"},
        {CODECODE128, "Tessaline 42", 180, "Code128", "Tessaline 42"},
        {CODE39, "QT-7", 270, "Code39", "QT-7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Dispatch().PutProperty("Type", int32_t(c.type));
        Dispatch().PutProperty("Text", c.text);
        Dispatch().PutProperty("Rotate", c.rotate);
        const QImage shown = host.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), QSize(300, 150));
        EXPECT_EQ(shown, DrawnByControl(*host.Control(), 300, 150));
        EXPECT_EQ(ScanZxing(ToGray(shown), c.format).text, c.decoded);
    }
    // Colours reach the pixels: red bars on a yellow ground.
    Dispatch().PutProperty("ForeColor", int32_t(0x0000FF));
    Dispatch().PutProperty("BackColor", int32_t(0x00FFFF));
    const QImage shown = host.grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(255, 255, 0));
    bool red = false;
    for (int x = 0; x < shown.width() && !red; ++x)
        red = shown.pixelColor(x, 75) == QColor(255, 0, 0);
    EXPECT_TRUE(red);
}

TEST_F(QtHost, KeepsTheExtentAtTheWidgetsSizeAndGrantsPaintableResizes)
{
    ASSERT_TRUE(host.CreateControl());
    Show(400, 200);
    EXPECT_EQ(host.Control()->GetExtent().cx, 400);
    EXPECT_EQ(host.Control()->GetExtent().cy, 200);
    EXPECT_EQ(Dispatch().GetProperty("MaxBorderwidth").ToShort(), 400 / 2 + 5);
    EXPECT_EQ(Dispatch().GetProperty("MaxBorderheight").ToShort(), 200 / 2 + 5);
    EXPECT_TRUE(Site().HasWindow());

    EXPECT_TRUE(Site().RequestResize({320, 110}));
    EXPECT_EQ(host.size(), QSize(320, 110));
    EXPECT_EQ(host.Control()->GetExtent().cx, 320);
    // Sizes the widget could not paint are refused; the size stays.
    for (SIZE refused : {SIZE{0, 100}, SIZE{100, -1}, SIZE{40000, 10}, SIZE{30000, 30000}})
        EXPECT_FALSE(Site().RequestResize(refused)) << refused.cx << "x" << refused.cy;
    EXPECT_EQ(host.size(), QSize(320, 110));

    EXPECT_TRUE(Site().AmbientUserMode());
    host.SetUserMode(false);
    EXPECT_FALSE(Site().AmbientUserMode());
}

TEST_F(QtHost, ShowsMessageBoxesCaptionedTessalineOnlyWithAWindow)
{
    ASSERT_TRUE(host.CreateControl());
    // Before the widget is shown the control has no window: stored as is.
    Dispatch().PutProperty("Borderwidth", int16_t(1000));
    EXPECT_EQ(Dispatch().GetProperty("Borderwidth").ToShort(), 1000);
    Dispatch().PutProperty("Borderwidth", int16_t(3));

    Show(250, 150);
    struct Case {
        const char* property;
        int16_t value;
        const char* message;
    };
    const Case cases[] = {
        {"Borderwidth", 1000, "Valid Borderwidth range: 0 - 130"},
        {"Borderheight", -1, "Valid Borderheight range: 0 - 80"},
        {"NotchHeightInPercent", 101, "Valid NotchHeightInPercent: 0 - 100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.property);
        const int16_t before = Dispatch().GetProperty(c.property).ToShort();
        Box box;
        const auto seen = qttest::DismissNextBox(box);
        Dispatch().PutProperty(c.property, c.value);
        ASSERT_TRUE(*seen);
        EXPECT_EQ(box.caption, QStringLiteral("Tessaline"));
        EXPECT_EQ(box.text, QString::fromLatin1(c.message));
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_EQ(Dispatch().GetProperty(c.property).ToShort(), before);
    }
    // A message without a caption of its own still carries the product's.
    Box box;
    const auto seen = qttest::DismissNextBox(box);
    EXPECT_EQ(Site().MessageBox("Stop", "", MB_OK | MB_ICONSTOP), IDOK);
    ASSERT_TRUE(*seen);
    EXPECT_EQ(box.caption, QStringLiteral("Tessaline"));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
}

TEST_F(QtHost, ForwardsLeftButtonPressesAsClickIn)
{
    ASSERT_TRUE(host.CreateControl());
    Show(250, 150);
    QSignalSpy clicks(&host, &CBarcodeHost::ClickIn);
    QTest::mouseClick(&host, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseClick(&host, Qt::RightButton, {}, QPoint(30, 40));
    QTest::mousePress(&host, Qt::LeftButton, {}, QPoint(249, 149));
    QTest::mouseRelease(&host, Qt::LeftButton, {}, QPoint(249, 149));
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks[0], (QList<QVariant>{10, 20}));
    EXPECT_EQ(clicks[1], (QList<QVariant>{249, 149}));
}

TEST_F(QtHost, DeliversTheControlsEventsAsSignals)
{
    ASSERT_TRUE(host.CreateControl());
    QStringList log;
    QObject::connect(&host, &CBarcodeHost::TypeChange, [&log](int t) { log << QStringLiteral("Type %1").arg(t); });
    QObject::connect(&host, &CBarcodeHost::TextChange, [&log](const QString& t) { log << "Text " + t; });
    QObject::connect(&host, &CBarcodeHost::ShowTextChange, [&log](bool b) { log << QStringLiteral("Show %1").arg(b); });
    QObject::connect(&host, &CBarcodeHost::AutoTypeChange, [&log](bool b) { log << QStringLiteral("Auto %1").arg(b); });
    QSignalSpy modified(&host, &CBarcodeHost::Modified);

    EXPECT_FALSE(host.IsModified());
    Dispatch().PutProperty("AutoType", true); // detection runs on the text at once
    Dispatch().PutProperty("Text", "12");     // detection picks EAN 2 first
    Dispatch().PutProperty("ShowText", false);
    Dispatch().PutProperty("Text", "Grüße"); // UTF-8 both ways
    // A text no type detects keeps the type.
    EXPECT_EQ(log.join(" | ").toStdString(), "Auto 1 | Type 1 | Type 4 | Text 12 | Show 0 | Text Grüße");
    EXPECT_TRUE(host.IsModified());
    EXPECT_GE(modified.count(), 3);

    CPropertyBag bag;
    host.SaveState(bag);
    EXPECT_FALSE(host.IsModified());
    // A released control no longer reaches the widget.
    const auto dispatch = host.Dispatch();
    host.ReleaseControl();
    log.clear();
    dispatch->PutProperty("Text", "ABC");
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(QtHost, AboutBoxShowsTheProductAndOpensItsAddresses)
{
    ASSERT_TRUE(host.CreateControl());
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "Open");

    QString title;
    QStringList labels;
    int links = 0;
    const auto seen = qttest::OnNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        for (QLabel* label : modal->findChildren<QLabel*>())
            labels << label->text();
        // Every button but OK opens an address.
        for (QPushButton* button : modal->findChildren<QPushButton*>()) {
            if (button->text() != QStringLiteral("&OK") && button->text() != QStringLiteral("OK")) {
                button->click();
                ++links;
            }
        }
    });
    host.AboutBox();
    ASSERT_TRUE(*seen);
    EXPECT_EQ(title, QStringLiteral("Tessaline"));
    EXPECT_TRUE(labels.contains(QStringLiteral("Tessaline Control v5.13"))) << labels.join('|').toStdString();
    EXPECT_EQ(links, 2);
    EXPECT_EQ(catcher.urls.size(), 2);

    // Mail addresses open with their scheme added.
    catcher.urls.clear();
    EXPECT_TRUE(Site().OpenUrl("info@tessaline.org"));
    EXPECT_TRUE(Site().OpenUrl("mailto:help@tessaline.org"));
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0], QUrl(QStringLiteral("mailto:info@tessaline.org")));
    EXPECT_EQ(catcher.urls[1], QUrl(QStringLiteral("mailto:help@tessaline.org")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

TEST_F(QtHost, PutsTheMetafileAsSvgAndBitmapsAsImagesOnTheClipboard)
{
    ASSERT_TRUE(host.CreateControl());
    auto metafile = std::make_shared<CMetaFileDC>(120, 60);
    metafile->FillRect(RECT{10, 5, 13, 55}, CBrush(RGB(0, 0, 0)));
    ASSERT_TRUE(Site().SetClipboardMetafile(metafile));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->formats(), QStringList{QStringLiteral("image/svg+xml")});
    const QByteArray svg = data->data(QStringLiteral("image/svg+xml"));
    EXPECT_EQ(svg.toStdString(), metafile->ToSvg());
    EXPECT_NE(svg.indexOf("<svg"), -1);
    EXPECT_FALSE(Site().SetClipboardMetafile(nullptr));

    auto picture = std::make_shared<PictureObject>();
    picture->width = 3;
    picture->height = 2;
    picture->pixels = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456};
    ASSERT_TRUE(Site().SetClipboardBitmap(picture));
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixelColor(2, 0), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(2, 1), QColor(0x12, 0x34, 0x56));
    // A picture without pixels is refused.
    auto broken = std::make_shared<PictureObject>();
    broken->width = 10;
    broken->height = 10;
    EXPECT_FALSE(Site().SetClipboardBitmap(broken));
}

TEST_F(QtHost, ControlsImageMethodsReachTheClipboardAndTheWidget)
{
    ASSERT_TRUE(host.CreateControl());
    Show(300, 100);
    host.repaint();
    // The picture of the last paint has the widget's size.
    const PicturePtr painted = Dispatch().GetProperty("Picture").ToPicture();
    ASSERT_TRUE(painted);
    EXPECT_EQ(painted->width, 300);
    EXPECT_EQ(painted->height, 100);

    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(Dispatch().Call("CopyToClipboardBySize", {int32_t(200), int32_t(80)}).ToBool());
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->formats(), QStringList{QStringLiteral("image/svg+xml")});
    EXPECT_NE(data->data(QStringLiteral("image/svg+xml")).indexOf("<svg"), -1);

    // Writing a PNG of another size resizes the control, and so the widget.
    const Variant png = Dispatch().Call("BinaryWriteAsPNGBySize", {int32_t(400), int32_t(150)});
    EXPECT_FALSE(png.ToBytes().empty());
    EXPECT_EQ(host.size(), QSize(400, 150));
    EXPECT_EQ(Dispatch().GetProperty("MaxBorderwidth").ToShort(), 400 / 2 + 5);
}

} // namespace

#include "host_test.moc"
