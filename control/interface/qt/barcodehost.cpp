// The Qt container of the control: the widget, the site it gives the
// control, and the control's about box.
#include "control/interface/qt/barcodehost.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "control/interface/barcodelib.h"
#include "control/interface/qt/pagelang.h"
#include "control/interface/qt/propframe.h"
#include "platform/com/olecontrol.h"
#include "platform/com/registry.h"
#include "platform/gdi/raster.h"

namespace {

constexpr const char* kCaption = "Tessaline";

QMessageBox::Icon IconOf(UINT style)
{
    switch (style & 0xF0) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// A picture's pixels (0x00RRGGBB, top-down) as an image of its own.
QImage ToImage(const PictureObject& picture)
{
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() < size_t(picture.width) * size_t(picture.height))
        return {};
    const QImage view(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width, picture.height,
                      picture.width * 4, QImage::Format_RGB32);
    return view.copy();
}

// A web address as given, or a mail address without its scheme.
QUrl ToUrl(const std::string& address)
{
    const QString text = QString::fromUtf8(address).trimmed();
    const QUrl url(text, QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty())
        return url;
    if (text.contains(QLatin1Char('@')) && !text.contains(QLatin1Char('/')))
        return QUrl(QStringLiteral("mailto:") + text);
    return QUrl::fromUserInput(text);
}

// The about box: title, product line, slogan, one button per address and OK.
class CAboutDialog : public QDialog {
public:
    CAboutDialog(const AboutInfo& about, IControlSite& site, QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("AboutBox"));
        setWindowTitle(QString::fromUtf8(about.title));
        auto* layout = new QVBoxLayout(this);
        auto* product = new QLabel(QString::fromUtf8(about.product), this);
        QFont bold = product->font();
        bold.setBold(true);
        product->setFont(bold);
        layout->addWidget(product);
        layout->addWidget(new QLabel(QString::fromUtf8(about.slogan), this));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        for (const auto& [label, address] : about.links) {
            QPushButton* link = buttons->addButton(QString::fromUtf8(label), QDialogButtonBox::ActionRole);
            link->setToolTip(QString::fromUtf8(address));
            const std::string target = address;
            connect(link, &QPushButton::clicked, this, [&site, target] { site.OpenUrl(target); });
        }
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        layout->addWidget(buttons);
    }
};

} // namespace

// --- the site ----------------------------------------------------------------------

// What the control may ask of the widget. The control may outlive the
// widget (a host can keep its dispatch interface); the site then answers
// like a headless host.
class CBarcodeHostSite : public IControlSite {
public:
    explicit CBarcodeHostSite(CBarcodeHost* host) : m_host(host) {}
    void Detach() { m_host = nullptr; }

    bool AmbientUserMode() const override { return m_host ? m_host->m_userMode : true; }
    // The control has a window once the widget has been created (shown).
    bool HasWindow() const override { return m_host && m_host->testAttribute(Qt::WA_WState_Created); }
    SIZE GetClientSize() const override
    {
        return m_host ? SIZE{m_host->width(), m_host->height()} : SIZE{};
    }

    void InvalidateControl(const RECT* rect) override
    {
        if (!m_host)
            return;
        if (rect)
            m_host->update(QRect(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1)));
        else
            m_host->update();
    }
    void OnModified() override
    {
        if (!m_host)
            return;
        m_host->m_modified = true;
        emit m_host->Modified();
    }
    bool RequestResize(SIZE size) override
    {
        // Only sizes whose pixels the widget can paint are granted.
        if (!m_host || size.cx < 1 || size.cy < 1 || size.cx > CRasterDC::kMaxSide ||
            size.cy > CRasterDC::kMaxSide || int64_t(size.cx) * size.cy > CRasterDC::kMaxPixels)
            return false;
        m_host->resize(size.cx, size.cy);
        return true;
    }
    void OnPropertyChanged(DISPID dispid) override
    {
        if (m_host)
            emit m_host->PropertyChanged(dispid);
    }

    int MessageBox(const std::string& text, const std::string& caption, UINT style) override
    {
        QMessageBox box(IconOf(style), QString::fromUtf8(caption.empty() ? kCaption : caption.c_str()),
                        QString::fromUtf8(text), QMessageBox::Ok, m_host);
        box.exec();
        return IDOK;
    }
    void ShowAboutBox(const AboutInfo& about) override
    {
        CAboutDialog dialog(about, *this, m_host);
        dialog.exec();
    }
    void ShowPropertyFrame() override
    {
        if (!m_host || !m_host->m_control)
            return;
        const QPointer<CBarcodeHost> host = m_host;
        CPropertyFrame frame(PageText("%1 Properties").arg(QString::fromLatin1(kBarcodeUserType)),
                             {m_host->m_dispatch}, m_host->m_control->GetPropertyPages(), m_host);
        frame.exec();
        if (host)
            host->update();
    }
    bool OpenUrl(const std::string& url) override { return QDesktopServices::openUrl(ToUrl(url)); }

    bool SetClipboardMetafile(std::shared_ptr<const CMetaFileDC> metafile) override
    {
        if (!metafile)
            return false;
        // One format: the recording serialised as SVG.
        auto* data = new QMimeData;
        data->setData(QStringLiteral("image/svg+xml"), QByteArray::fromStdString(metafile->ToSvg()));
        QGuiApplication::clipboard()->setMimeData(data);
        return true;
    }
    bool SetClipboardBitmap(PicturePtr bitmap) override
    {
        const QImage image = bitmap ? ToImage(*bitmap) : QImage();
        if (image.isNull())
            return false;
        QGuiApplication::clipboard()->setImage(image);
        return true;
    }

private:
    QPointer<CBarcodeHost> m_host;
};

// --- the widget --------------------------------------------------------------------

CBarcodeHost::CBarcodeHost(QWidget* parent) : QWidget(parent), m_site(std::make_shared<CBarcodeHostSite>(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the control paints every pixel
    setFocusPolicy(Qt::ClickFocus);
}

CBarcodeHost::~CBarcodeHost()
{
    ReleaseControl();
    m_site->Detach();
}

bool CBarcodeHost::CreateControl(const QString& progId, const CPropertyBag* state, QString* error)
{
    ReleaseControl();
    const std::string id = progId.toStdString();
    std::shared_ptr<IUnknown> object;
    std::string why;
    const HRESULT hr = CoCreateInstance(id, object, &why);
    auto control = std::dynamic_pointer_cast<IOleControl>(object);
    auto dispatch = std::dynamic_pointer_cast<IDispatch>(object);
    if (FAILED(hr) || !control || !dispatch) {
        if (error)
            *error = QString::fromStdString(SUCCEEDED(hr) ? id + " is not a control" : why);
        return false;
    }

    control->SetClientSite(m_site);
    if (state)
        control->Load(*state); // a refused stored value is replaced by a sound one
    else
        control->InitNew();
    m_control = std::move(control);
    m_dispatch = std::move(dispatch);
    m_events = std::dynamic_pointer_cast<IEventSource>(object);
    if (m_events) {
        const QPointer<CBarcodeHost> self = this;
        m_cookie = m_events->Advise([self](DISPID id, const std::vector<Variant>& args) {
            if (self)
                self->OnControlEvent(id, args);
        });
    }
    m_modified = false;

    // A widget that was given a size keeps it; otherwise it takes the
    // control's extent.
    if (testAttribute(Qt::WA_Resized) || isVisible()) {
        m_control->SetExtent({width(), height()});
    } else {
        const SIZE extent = m_control->GetExtent();
        if (extent.cx > 0 && extent.cy > 0)
            resize(extent.cx, extent.cy);
    }
    updateGeometry();
    update();
    return true;
}

void CBarcodeHost::ReleaseControl()
{
    if (m_events && m_cookie)
        m_events->Unadvise(m_cookie);
    m_cookie = 0;
    if (m_control)
        m_control->SetClientSite(nullptr);
    m_events.reset();
    m_dispatch.reset();
    m_control.reset();
    update();
}

bool CBarcodeHost::SaveState(CPropertyBag& bag, bool clearDirty)
{
    if (!m_control)
        return false;
    m_control->Save(bag, clearDirty);
    if (clearDirty)
        m_modified = false;
    return true;
}

bool CBarcodeHost::DoVerb(int verb)
{
    if (!m_control)
        return false;
    switch (verb) {
    case OLEIVERB_PROPERTIES: m_control->DoPropertiesVerb(); return true;
    case 0:  // primary
    case -1: // show
    case -4: // activate in place with its user interface
    case -5: // activate in place
        show();
        return true;
    default: return false;
    }
}

void CBarcodeHost::AboutBox()
{
    if (m_dispatch)
        m_dispatch->Call(DISPID_ABOUTBOX);
}

QSize CBarcodeHost::sizeHint() const
{
    if (m_control) {
        const SIZE extent = m_control->GetExtent();
        if (extent.cx > 0 && extent.cy > 0)
            return {extent.cx, extent.cy};
    }
    return {250, 150};
}

void CBarcodeHost::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!m_control || width() <= 0 || height() <= 0) {
        painter.fillRect(event->rect(), palette().window());
        return;
    }
    // The control draws on a raster surface of the widget's size, whose
    // pixels (0x00RRGGBB words) are the widget's.
    CRasterDC dc(width(), height());
    if (!dc.IsOk()) {
        painter.fillRect(event->rect(), palette().window());
        return;
    }
    m_control->Draw(&dc, RECT{0, 0, width(), height()});
    const QImage image(dc.Data(), dc.Width(), dc.Height(), dc.Stride(), QImage::Format_RGB32);
    painter.drawImage(0, 0, image);
}

void CBarcodeHost::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_control)
        m_control->SetExtent({width(), height()});
}

void CBarcodeHost::mousePressEvent(QMouseEvent* event)
{
    if (m_control && event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        m_control->OnLButtonDown({at.x(), at.y()});
    }
    QWidget::mousePressEvent(event);
}

void CBarcodeHost::OnControlEvent(DISPID id, const std::vector<Variant>& args)
{
    const auto arg = [&args](size_t i) { return i < args.size() ? args[i] : Variant(); };
    switch (id) {
    case eventidTypeChange: emit TypeChange(arg(0).ToLong()); break;
    case eventidTextChange: emit TextChange(QString::fromStdString(arg(0).ToString())); break;
    case eventidClickIn: emit ClickIn(arg(0).ToLong(), arg(1).ToLong()); break;
    case eventidAutoTypeChange: emit AutoTypeChange(arg(0).ToBool()); break;
    case eventidShowTextChange: emit ShowTextChange(arg(0).ToBool()); break;
    default: break;
    }
}
