#include "app/form1.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QUrl>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <algorithm>

#include "app/barcodeinfo.h"
#include "app/fontchoice.h"
#include "app/placement.h"
#include "control/interface/qt/pagelang.h"
#include "platform/gdi/gdi.h"
#include "app/icons.h"
#include "app/infodialog.h"
#include "app/layoutdialog.h"
#include "app/shell.h"
#include "app/typeselect.h"
#include "control/gs1/gs1.h"
#include "control/symbologies/reasons.h"

namespace {

QString T(const char* english, const char* german) { return TGetLang::GetLangText(english, german); }

bool IsHorizontal(int angle) { return angle == 0 || angle == 180; }

// A barcode document dropped or named: a local file ending in ".bar".
bool IsDocumentUrl(const QUrl& url)
{
    return url.isLocalFile() && url.toLocalFile().endsWith(QLatin1String(".bar"), Qt::CaseInsensitive);
}

} // namespace

// --- the barcode's place ------------------------------------------------------------

void TBarcodeArea::SetFixed(bool fixed, QSize size)
{
    m_fixed = fixed;
    m_size = size;
    Place();
}

void TBarcodeArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Place();
}

void TBarcodeArea::SetCentred(bool centred)
{
    m_centred = centred;
    Place();
}

void TBarcodeArea::Place()
{
    QRect place = rect();
    if (m_fixed) {
        place = QRect(QPoint(0, 0), m_size);
        // Centred where it fits; a barcode larger than the window keeps
        // its top left corner in view.
        if (m_centred)
            place.moveTopLeft(QPoint(std::max(0, (width() - m_size.width()) / 2),
                                     std::max(0, (height() - m_size.height()) / 2)));
    }
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        child->setGeometry(place);
}

// --- menus -------------------------------------------------------------------------

QChar MenuMnemonic(const QString& caption)
{
    QChar key;
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        ++i; // "&&" is a plain '&'
        if (caption[i] != u'&')
            key = caption[i].toUpper();
    }
    return key;
}

void TMnemonicMenu::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    if (typed.size() == 1 && typed[0].isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QAction* match = nullptr;
        int count = 0;
        for (QAction* action : actions()) {
            if (action->isVisible() && action->isEnabled() && !action->isSeparator() &&
                MenuMnemonic(action->text()) == typed[0].toUpper()) {
                match = action;
                ++count;
            }
        }
        if (count == 1) {
            // Chosen as if highlighted and confirmed: submenus open, items
            // run and the menus close.
            setActiveAction(match);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QMenu::keyPressEvent(&enter);
            return;
        }
    }
    QMenu::keyPressEvent(event);
}

// --- status panels --------------------------------------------------------------

TStatusPanel::TStatusPanel(int width, QWidget* parent) : QLabel(parent), m_width(width)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setContentsMargins(6, 0, 6, 0);
    setAlignment(width ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    // As wide as the text where there is room, never narrower than the
    // panel's width (the rest panel may shrink to nothing).
    setSizePolicy(width ? QSizePolicy::Preferred : QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize TStatusPanel::minimumSizeHint() const
{
    return QSize(m_width ? m_width : 20, QLabel::minimumSizeHint().height());
}

QSize TStatusPanel::sizeHint() const
{
    const QSize text = QLabel::sizeHint();
    return QSize(std::max(m_width, text.width()), text.height());
}

QString TStatusPanel::ShownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(0, contentsRect().width()));
}

void TStatusPanel::paintEvent(QPaintEvent* event)
{
    (void)event;
    QPainter painter(this);
    drawFrame(&painter);
    const QString shown = ShownText();
    setToolTip(shown == text() ? QString() : text());
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), shown, foregroundRole());
}

// --- creation ---------------------------------------------------------------------

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    GetLang1 = new TGetLang(this);
    GetLang1->setObjectName(QStringLiteral("GetLang1"));
    BarcodeArea = new TBarcodeArea(this);
    BarcodeArea->setObjectName(QStringLiteral("BarcodeArea"));
    Barcode1 = new TBarcode(BarcodeArea); // throws when the control is missing
    Barcode1->setObjectName(QStringLiteral("Barcode1"));
    setCentralWidget(BarcodeArea);
    setAcceptDrops(true);
    TDialogPlacer::Install();
    setWindowIcon(MakeIcon(TIconKind::Application));
    CreateComponents();
    CreateMenu();
    resize(662, 429);
    FormCreate();

    connect(Barcode1, &TBarcode::TypeChange, this, [this](int type) { RunCommand(this, [&] { Barcode1TypeChange(type); }); });
    connect(Barcode1, &TBarcode::TextChange, this,
            [this](const QString& text) { RunCommand(this, [&] { Barcode1TextChange(text); }); });
    connect(Barcode1, &TBarcode::ShowTextChange, this,
            [this](bool showText) { RunCommand(this, [&] { Barcode1ShowTextChange(showText); }); });
    connect(Barcode1, &TBarcode::ClickIn, this, [this](int x, int y) { Barcode1ClickIn(x, y); });
    connect(Barcode1, &TBarcode::Modified, this, [this] { FModified = true; });
    // The size verdict comes from the control's last paint: the status
    // follows each paint (the first one included).
    Barcode1->installEventFilter(this);
    FModified = false;
}

TForm1::~TForm1() = default;

QAction* TForm1::AddTool(QToolBar* bar, const char* name, void (TForm1::*handler)())
{
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, [this, handler] { RunCommand(this, [&] { (this->*handler)(); }); });
    bar->addAction(action);
    if (QWidget* button = bar->widgetForAction(action))
        button->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* TForm1::AddItem(QMenu* menu, const char* name, void (TForm1::*handler)(), const QKeySequence& shortcut)
{
    auto* action = menu->addAction(QString());
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { RunCommand(this, [&] { (this->*handler)(); }); });
    return action;
}

void TForm1::CreateComponents()
{
    ToolBar2 = new QToolBar(this);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setMovable(false);
    ToolBar2->setIconSize(QSize(22, 22));
    addToolBar(Qt::TopToolBarArea, ToolBar2);
    OpenButton = AddTool(ToolBar2, "OpenButton", &TForm1::OpenButtonClick);
    OpenButton->setIcon(MakeIcon(TIconKind::Open));
    SaveButton = AddTool(ToolBar2, "SaveButton", &TForm1::SaveButtonClick);
    SaveButton->setIcon(MakeIcon(TIconKind::Save));
    SaveBMPButton = AddTool(ToolBar2, "SaveBMPButton", &TForm1::SaveBMPButtonClick);
    SaveBMPButton->setIcon(MakeIcon(TIconKind::SaveImage));
    ToolBar2->addSeparator();
    CopyBMPButton = AddTool(ToolBar2, "CopyBMPButton", &TForm1::CopyBMPButtonClick);
    CopyBMPButton->setIcon(MakeIcon(TIconKind::CopyBitmap));
    CopyButton = AddTool(ToolBar2, "CopyButton", &TForm1::CopyButtonClick);
    CopyButton->setIcon(MakeIcon(TIconKind::CopyMetafile));
    ToolBar2->addSeparator();
    BarcodeList = new QComboBox(this);
    BarcodeList->setObjectName(QStringLiteral("BarcodeList"));
    BarcodeList->setFixedWidth(165);
    BarcodeList->setMaxVisibleItems(15);
    connect(BarcodeList, &QComboBox::activated, this, [this] { RunCommand(this, [&] { BarcodeListChange(); }); });
    ToolBar2->addWidget(BarcodeList);
    ToolBar2->addSeparator();
    Code = new QLineEdit(this);
    Code->setObjectName(QStringLiteral("Code"));
    Code->setMinimumWidth(140);
    connect(Code, &QLineEdit::textChanged, this, [this] { RunCommand(this, [&] { CodeChange(); }); });
    Code->installEventFilter(this);
    ToolBar2->addWidget(Code);
    DemotextButton = AddTool(ToolBar2, "DemotextButton", &TForm1::DemotextButtonClick);
    DemotextButton->setIcon(MakeIcon(TIconKind::Demo));

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setOrientation(Qt::Vertical);
    ToolBar1->setIconSize(QSize(22, 22));
    addToolBar(Qt::LeftToolBarArea, ToolBar1);
    RotateButton1 = AddTool(ToolBar1, "RotateButton1", &TForm1::RotateButton1Click);
    RotateButton1->setIcon(MakeIcon(TIconKind::Rotate));
    ForeButton = AddTool(ToolBar1, "ForeButton", &TForm1::ForeButtonClick);
    BackButton = AddTool(ToolBar1, "BackButton", &TForm1::BackButtonClick);
    FontButton = AddTool(ToolBar1, "FontButton", &TForm1::FontButtonClick);
    FontButton->setIcon(MakeIcon(TIconKind::Font));
    SHowTextButton = AddTool(ToolBar1, "SHowTextButton", &TForm1::SHowTextButtonClick);
    SHowTextButton->setIcon(MakeIcon(TIconKind::ShowText));
    SHowTextButton->setCheckable(true);
    SHowTextButton->setChecked(true);
    LayoutButton = AddTool(ToolBar1, "LayoutButton", &TForm1::Layout1Click);
    LayoutButton->setIcon(MakeIcon(TIconKind::Layout));
    LayoutButton->setCheckable(true);
    ToolButton3 = AddTool(ToolBar1, "ToolButton3", &TForm1::Info1Click);
    ToolButton3->setIcon(MakeIcon(TIconKind::Info));
    URLButton = AddTool(ToolBar1, "URLButton", &TForm1::URLButtonClick);
    URLButton->setIcon(MakeIcon(TIconKind::Internet));
    UpdateColorIcons();

    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    static constexpr int kWidths[] = {100, 40, 65, 110, 0};
    for (int i = 0; i < 5; ++i) {
        auto* panel = new TStatusPanel(kWidths[i], this);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusBar1->addWidget(panel, kWidths[i] ? 0 : 2);
        StatusPanels[size_t(i)] = panel;
    }
    StatusReason = new TStatusPanel(0, this);
    StatusReason->setObjectName(QStringLiteral("StatusReason"));
    StatusReason->hide();
    StatusBar1->addWidget(StatusReason, 3);
}

void TForm1::CreateMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    File1 = bar->addMenu(QString());
    File1->setObjectName(QStringLiteral("File1"));
    New1 = AddItem(File1, "New1", &TForm1::New1Click, QKeySequence(Qt::CTRL | Qt::Key_N));
    Open1 = AddItem(File1, "Open1", &TForm1::OpenButtonClick, QKeySequence(Qt::CTRL | Qt::Key_O));
    RecentFiles1 = File1->addMenu(QString());
    RecentFiles1->setObjectName(QStringLiteral("RecentFiles1"));
    SaveNamed1 = AddItem(File1, "SaveNamed1", &TForm1::SaveNamed1Click);
    Save1 = AddItem(File1, "Save1", &TForm1::SaveButtonClick, QKeySequence(Qt::CTRL | Qt::Key_S));
    Saveasbitmap1 = AddItem(File1, "Saveasbitmap1", &TForm1::SaveBMPButtonClick);
    ExportSvg1 = AddItem(File1, "ExportSvg1", &TForm1::ExportSvg1Click);
    ExportPdf1 = AddItem(File1, "ExportPdf1", &TForm1::ExportPdf1Click);
    File1->addSeparator();
    Print1 = AddItem(File1, "Print1", &TForm1::Print1Click, QKeySequence(Qt::CTRL | Qt::Key_P));
    PrintPreview1 = AddItem(File1, "PrintPreview1", &TForm1::PrintPreview1Click);
    File1->addSeparator();
    AboutQuenby1 = AddItem(File1, "AboutQuenby1", &TForm1::AboutQuenby1Click);
    File1->addSeparator();
    Exit1 = AddItem(File1, "Exit1", &TForm1::Exit1Click);

    Edit1 = bar->addMenu(QString());
    Edit1->setObjectName(QStringLiteral("Edit1"));
    CopyBitmap1 = AddItem(Edit1, "CopyBitmap1", &TForm1::CopyBMPButtonClick, QKeySequence(Qt::CTRL | Qt::Key_B));
    CopyMetafile1 = AddItem(Edit1, "CopyMetafile1", &TForm1::CopyButtonClick, QKeySequence(Qt::CTRL | Qt::Key_C));

    Barcode2 = bar->addMenu(QString());
    Barcode2->setObjectName(QStringLiteral("Barcode2"));
    MenuType1 = AddItem(Barcode2, "MenuType1", &TForm1::MenuType1Click, QKeySequence(Qt::Key_F5));
    Barcode2->addSeparator();
    Text1 = AddItem(Barcode2, "Text1", &TForm1::Text1Click, QKeySequence(Qt::Key_F6));
    Setdemotext1 = AddItem(Barcode2, "Setdemotext1", &TForm1::DemotextButtonClick, QKeySequence(Qt::Key_F7));
    Showtext1 = AddItem(Barcode2, "Showtext1", &TForm1::SHowTextButtonClick, QKeySequence(Qt::Key_F8));
    Showtext1->setCheckable(true);
    Showtext1->setChecked(true);
    Barcode2->addSeparator();
    Rotate1 = new TMnemonicMenu(Barcode2);
    Barcode2->addMenu(Rotate1);
    Rotate1->setObjectName(QStringLiteral("Rotate1"));
    Rotate1->setIcon(MakeIcon(TIconKind::Rotate));
    MenuRotateRechts = AddItem(Rotate1, "MenuRotateRechts", &TForm1::RotateButton1Click);
    MenuRotateLinks = AddItem(Rotate1, "MenuRotateLinks", &TForm1::MenuRotateLinksClick);
    Rotate1->addSeparator();
    const struct {
        QAction** item;
        const char* name;
        int angle;
        Qt::Key key;
    } rotations[] = {{&N0degrees1, "N0degrees1", 0, Qt::Key_F9},
                     {&N90degrees1, "N90degrees1", 90, Qt::Key_F10},
                     {&N180degrees1, "N180degrees1", 180, Qt::Key_F11},
                     {&N270degrees1, "N270degrees1", 270, Qt::Key_F12}};
    for (const auto& rotation : rotations) {
        QAction* item = AddItem(Rotate1, rotation.name, nullptr, QKeySequence(rotation.key));
        item->setText(QStringLiteral("&%1°").arg(rotation.angle));
        item->setCheckable(true);
        const int angle = rotation.angle;
        connect(item, &QAction::triggered, this, [this, angle] { RunCommand(this, [&] { SetRotation(angle); }); });
        *rotation.item = item;
    }
    Barcode2->addSeparator();
    Foregroundcolor1 = AddItem(Barcode2, "Foregroundcolor1", &TForm1::ForeButtonClick);
    Backgroundcolor1 = AddItem(Barcode2, "Backgroundcolor1", &TForm1::BackButtonClick);
    Font1 = AddItem(Barcode2, "Font1", &TForm1::FontButtonClick);
    Layout1 = AddItem(Barcode2, "Layout1", &TForm1::Layout1Click);
    Barcode2->addSeparator();
    Propertypage1 = AddItem(Barcode2, "Propertypage1", &TForm1::Propertypage1Click);
    Barcode2->addSeparator();
    Info1 = AddItem(Barcode2, "Info1", &TForm1::Info1Click);

    Options1 = bar->addMenu(QString());
    Options1->setObjectName(QStringLiteral("Options1"));
    German1 = AddItem(Options1, "German1", &TForm1::German1Click, QKeySequence(Qt::CTRL | Qt::Key_D));
    German1->setCheckable(true);
    English1 = AddItem(Options1, "English1", &TForm1::English1Click, QKeySequence(Qt::CTRL | Qt::Key_E));
    English1->setCheckable(true);
    Options1->addSeparator();
    CenterPreview1 = AddItem(Options1, "CenterPreview1", &TForm1::CenterPreview1Click);
    CenterPreview1->setCheckable(true);

    Internet1 = bar->addMenu(QString());
    Internet1->setObjectName(QStringLiteral("Internet1"));
    QuenbyInternet1 = AddItem(Internet1, "QuenbyInternet1", &TForm1::URLButtonClick);
    Download1 = AddItem(Internet1, "Download1", &TForm1::Download1Click);
    SupportForum1 = AddItem(Internet1, "SupportForum1", &TForm1::SupportForum1Click);
    ShopURL = AddItem(Internet1, "ShopURL", &TForm1::ShopURLClick);
    Internet1->addSeparator();
    Emailsenden1 = AddItem(Internet1, "Emailsenden1", &TForm1::Emailsenden1Click);

    // The same pictures as the toolbar, where a menu item has a button.
    Open1->setIcon(OpenButton->icon());
    Save1->setIcon(SaveButton->icon());
    Saveasbitmap1->setIcon(SaveBMPButton->icon());
    CopyBitmap1->setIcon(CopyBMPButton->icon());
    CopyMetafile1->setIcon(CopyButton->icon());
    Setdemotext1->setIcon(DemotextButton->icon());
    Font1->setIcon(FontButton->icon());
    Layout1->setIcon(LayoutButton->icon());
    Info1->setIcon(ToolButton3->icon());
    QuenbyInternet1->setIcon(URLButton->icon());
}

void TForm1::UpdateColorIcons()
{
    const QColor fore = TBarcode::ToQColor(Barcode1->ForeColor());
    const QColor back = TBarcode::ToQColor(Barcode1->BackColor());
    ForeButton->setIcon(MakeIcon(TIconKind::ForeColor, fore));
    BackButton->setIcon(MakeIcon(TIconKind::BackColor, back));
    if (Foregroundcolor1) {
        Foregroundcolor1->setIcon(ForeButton->icon());
        Backgroundcolor1->setIcon(BackButton->icon());
    }
}

void TForm1::FormCreate()
{
    FFileName.clear();
    BarcodeList->clear();
    const int type = Barcode1->Type();
    QStringList names;
    const int count = Barcode1->CountTypesSupported();
    for (int id = 0; id <= count; ++id) {
        Barcode1->SetType(id);
        names << Barcode1->TypeName();
    }
    Barcode1->SetType(99);
    names << Barcode1->TypeName();
    Barcode1->SetType(type);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    BarcodeList->addItems(names);
    SelectTypeInList(Barcode1->TypeName());
    Code->setText(Barcode1->Text());
    FShowText = true;
    UpdateRotateMenu();
    SetLangTexts();
    UpdateStatus();
}

// --- language -------------------------------------------------------------------

void TForm1::InstallTranslator()
{
    // Qt's own dialogs (file, colour, font, input) speak the language too.
    if (TGetLang::GetDeutsch()) {
        if (!m_qtTranslator) {
            auto* translator = new QTranslator(this);
            if (translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
                QApplication::installTranslator(translator);
                m_qtTranslator = translator;
            } else {
                delete translator;
            }
        }
    } else if (m_qtTranslator) {
        QApplication::removeTranslator(m_qtTranslator);
        delete m_qtTranslator;
        m_qtTranslator = nullptr;
    }
}

void TForm1::SetLangTexts()
{
    InstallTranslator();
    // The control's property pages and Qt's own texts follow the language.
    SetPropertyPageLanguage(TGetLang::GetDeutsch() ? TPageLanguage::German : TPageLanguage::English);
    QLocale::setDefault(QLocale(TGetLang::GetDeutsch() ? QLocale::German : QLocale::English));
    const QString site = QString::fromLatin1(TessalineAddress::Site);
    const QString mail = QString::fromLatin1(TessalineAddress::Mail);

    // The letters after '&' are unique within each menu in both languages.
    File1->setTitle(T("&File", "&Datei"));
    New1->setText(T("&New", "&Neu"));
    Open1->setText(T("&Open...", "&Öffnen..."));
    RecentFiles1->setTitle(T("Open &recent", "&Zuletzt geöffnet"));
    SaveNamed1->setText(T("Sa&ve", "&Speichern"));
    Save1->setText(T("&Save...", "Speichern &unter..."));
    Saveasbitmap1->setText(T("Save as &bitmap (BMP, JPG or PNG)...", "Als B&ild speichern (BMP, JPG oder PNG)..."));
    ExportSvg1->setText(T("Export as SV&G...", "Als SV&G exportieren..."));
    ExportPdf1->setText(T("Export as P&DF...", "Als &PDF exportieren..."));
    Print1->setText(T("&Print...", "&Drucken..."));
    PrintPreview1->setText(T("Print previe&w...", "Druck&vorschau..."));
    AboutQuenby1->setText(T("&About Tessaline...", "&Über Tessaline..."));
    Exit1->setText(T("E&xit", "&Beenden"));
    Edit1->setTitle(T("&Edit", "B&earbeiten"));
    CopyBitmap1->setText(T("Copy &bitmap", "&Bitmap kopieren"));
    CopyMetafile1->setText(T("Copy &metafile", "&Metafile kopieren"));
    Barcode2->setTitle(T("&Barcode", "&Barcode"));
    MenuType1->setText(T("&Type...", "&Typ..."));
    Text1->setText(T("Te&xt...", "Te&xt..."));
    Setdemotext1->setText(T("Set &demo text", "&Demotext setzen"));
    Showtext1->setText(T("&Show text", "Text &anzeigen"));
    Rotate1->setTitle(T("&Rotate", "D&rehen"));
    // Two marked letters each: the direction's is the key (MenuMnemonic),
    // the angle items own the digits.
    MenuRotateRechts->setText(T("&90° to the &right", "&90° nach &rechts"));
    MenuRotateLinks->setText(T("&90° to the &left", "&90° nach &links"));
    Foregroundcolor1->setText(T("&Foreground colour...", "&Vordergrundfarbe..."));
    Backgroundcolor1->setText(T("&Background colour...", "&Hintergrundfarbe..."));
    Font1->setText(T("F&ont...", "&Schriftart..."));
    Layout1->setText(T("&Layout && size...", "&Layout && Größe..."));
    Propertypage1->setText(T("&Property pages...", "&Eigenschaftsseiten..."));
    Info1->setText(T("&Information...", "&Information..."));
    Options1->setTitle(T("&Options", "&Optionen"));
    German1->setText(T("&German (Deutsch)", "&Deutsch"));
    English1->setText(T("&English", "&Englisch (English)"));
    CenterPreview1->setText(T("&Centre the barcode in the window", "Barcode im Fenster &zentrieren"));
    UpdateRecentMenu();
    Internet1->setTitle(T("&Internet", "&Internet"));
    QuenbyInternet1->setText(T("&Internet homepage ", "&Internet Homepage ") + site);
    Download1->setText(T("&Download", "&Download"));
    SupportForum1->setText(T("&Support forum", "&Support-Forum"));
    ShopURL->setText(T("Tessaline s&hop", "Tessaline-S&hop"));
    Emailsenden1->setText(T("Send &e-mail to ", "&E-Mail senden an ") + mail);

    const struct {
        QAction* action;
        QString hint;
    } hints[] = {
        {OpenButton, T("Open a barcode file", "Öffnen einer Barcodedatei")},
        {SaveButton, T("Save the barcode file", "Speichern der Barcodedatei")},
        {SaveBMPButton, T("Save as bitmap (BMP, JPG or PNG)", "Als Bitmap speichern (BMP, JPG oder PNG)")},
        {CopyBMPButton, T("Copy bitmap", "Bitmap kopieren")},
        {CopyButton, T("Copy metafile", "Metafile kopieren")},
        {DemotextButton, T("Sets a valid text for the chosen barcode", "Setzt einen gültigen Text für den gewählten Barcode")},
        {RotateButton1, T("Rotate by 90° to the right", "Um 90° nach rechts drehen")},
        {ForeButton, T("Foreground colour", "Vordergrundfarbe")},
        {BackButton, T("Background colour", "Hintergrundfarbe")},
        {FontButton, T("Font", "Schriftart")},
        {SHowTextButton, T("Show text", "Text anzeigen")},
        {LayoutButton, T("Change borders and notch", "Ränder und Notch verändern")},
        {ToolButton3, T("Barcode information", "Barcode-Information")},
        {URLButton, T("Homepage ", "Homepage ") + site},
    };
    for (const auto& entry : hints) {
        entry.action->setText(entry.hint);
        entry.action->setToolTip(entry.hint);
        entry.action->setStatusTip(QString());
    }
    BarcodeList->setToolTip(T("Choose the barcode type here", "Wählen Sie hier den Barcodetyp"));
    Code->setToolTip(T("Enter the barcode text here", "Geben Sie hier den Barcodetext ein"));
    Code->setPlaceholderText(T("Barcode text", "Barcodetext"));
}

// --- status ---------------------------------------------------------------------

QString TForm1::SizeStateText()
{
    return Barcode1->IsSizeOk() ? T("Size OK", "Größe OK") : QStringLiteral("Resize!");
}

void TForm1::UpdateStatus()
{
    // Let the control paint first: its size verdict comes from the last paint.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    if (FFixedBitmapSize)
        StatusPanels[0]->setText(QStringLiteral("%1 x %2 %3").arg(FBitmapWidth).arg(FBitmapHeight).arg(T("[fixed]", "[fest]")));
    else
        StatusPanels[0]->setText(QStringLiteral("%1 x %2").arg(Barcode1->width()).arg(Barcode1->height()));

    QString type = Barcode1->TypeName();
    if (!Barcode1->IsValid())
        type += T(" [Invalid text]", " [Ungültiger Text]");
    StatusPanels[4]->setText(type);
    QString reason;
    if (!Barcode1->IsValid()) {
        reason = QString::fromStdString(InvalidTextReason(Barcode1->Type(), Utf8ToCp1252(Barcode1->Text().toStdString())));
    } else if (IsGs1Type(Barcode1->Type())) {
        // The control takes any element string; GS1's rules say more.
        const CGs1Verdict gs1 = Gs1Check(Barcode1->Type(), Barcode1->Text().toStdString());
        if (!gs1.valid) reason = T("GS1: ", "GS1: ") + QString::fromStdString(gs1.errors.front());
    }
    StatusReason->setText(reason);
    StatusReason->setVisible(!reason.isEmpty());

    StatusPanels[1]->setText(QStringLiteral("%1°").arg(Barcode1->Rotate()));

    const int checksum = Barcode1->Checksum();
    if (checksum >= 0)
        StatusPanels[3]->setText(T("Check digit: ", "Prüfsumme: ") + QString::number(checksum));
    else if (checksum == -1)
        StatusPanels[3]->setText(T("No check digit", "Keine Prüfsumme"));
    else if (checksum == -2)
        StatusPanels[3]->setText(T("Invalid code", "Ungültiger Code"));

    StatusPanels[2]->setText(SizeStateText());

    QString caption;
    const QString name = QFileInfo(FFileName).fileName();
    if (name != QLatin1String(NoName))
        caption = name + QStringLiteral(" - ");
    setWindowTitle(caption + QString::fromLatin1(kApplicationTitle));
}

void TForm1::SelectTypeInList(const QString& name)
{
    // Every entry is searched: the list holds one more entry than the
    // count of supported types, and the last one must be found too.
    BarcodeList->setCurrentIndex(BarcodeList->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

// --- control events ---------------------------------------------------------------

void TForm1::Barcode1TypeChange(int type)
{
    (void)type;
    SelectTypeInList(Barcode1->TypeName());
    UpdateStatus();
}

void TForm1::Barcode1TextChange(const QString& text)
{
    (void)text;
    UpdateStatus();
}

void TForm1::Barcode1ShowTextChange(bool showText)
{
    (void)showText;
    FShowText = Barcode1->ShowText();
    SHowTextButton->setChecked(FShowText);
    Showtext1->setChecked(FShowText);
}

void TForm1::Barcode1ClickIn(int x, int y)
{
    (void)x;
    (void)y;
}

// --- commands ---------------------------------------------------------------------

void TForm1::CodeChange()
{
    if (!Code->text().isEmpty())
        Barcode1->SetText(Code->text());
    UpdateStatus();
}

void TForm1::BarcodeListChange()
{
    if (BarcodeList->currentIndex() >= 0)
        Barcode1->SetTypeName(BarcodeList->currentText());
    UpdateStatus();
}

void TForm1::Text1Click()
{
    bool ok = false;
    const QString text = QInputDialog::getText(this, T("Barcode text", "Barcode Text"),
                                               T("Change the barcode text:", "Ändern Sie den Barcode Text:"),
                                               QLineEdit::Normal, Code->text(), &ok);
    if (ok)
        Code->setText(text);
}

void TForm1::DemotextButtonClick()
{
    Barcode1->SetDemoText();
    Code->setText(Barcode1->Text());
}

void TForm1::SHowTextButtonClick()
{
    FShowText = !FShowText;
    SHowTextButton->setChecked(FShowText);
    Barcode1->SetShowText(FShowText);
    Showtext1->setChecked(FShowText);
    UpdateStatus();
}

void TForm1::ForeButtonClick()
{
    const QColor color = QColorDialog::getColor(TBarcode::ToQColor(Barcode1->ForeColor()), this,
                                                T("Foreground colour", "Vordergrundfarbe"));
    if (color.isValid())
        Barcode1->SetForeColor(TBarcode::ToOleColor(color));
    UpdateColorIcons();
}

void TForm1::BackButtonClick()
{
    const QColor color = QColorDialog::getColor(TBarcode::ToQColor(Barcode1->BackColor()), this,
                                                T("Background colour", "Hintergrundfarbe"));
    if (color.isValid())
        Barcode1->SetBackColor(TBarcode::ToOleColor(color));
    UpdateColorIcons();
}

void TForm1::FontButtonClick()
{
    TFont font = Barcode1->Font();
    QFont initial(font.Name);
    initial.setPointSize(std::max(1, font.Size));
    initial.setBold(font.Style & TFont::fsBold);
    initial.setItalic(font.Style & TFont::fsItalic);
    initial.setUnderline(font.Style & TFont::fsUnderline);
    initial.setStrikeOut(font.Style & TFont::fsStrikeOut);
    // The dialog lists installed families: show the one the name resolves
    // to ("Arial" is drawn with a metric-compatible face), and keep the
    // name when the user keeps that family.
    const QString resolved = QFontInfo(initial).family();
    initial.setFamily(resolved);
    // Preselect the family's own style of this weight and slant; without
    // it the dialog picks a style by name and may offer an italic or
    // condensed one for a regular font.
    initial = WithMatchingStyle(initial);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, this, T("Font", "Schriftart"));
    if (!ok)
        return;
    if (chosen.family() != resolved)
        font.Name = chosen.family();
    font.Size = chosen.pointSize() > 0 ? chosen.pointSize() : int(chosen.pointSizeF() + 0.5);
    font.Style = (chosen.bold() ? TFont::fsBold : 0) | (chosen.italic() ? TFont::fsItalic : 0) |
                 (chosen.underline() ? TFont::fsUnderline : 0) | (chosen.strikeOut() ? TFont::fsStrikeOut : 0);
    Barcode1->SetFont(font);
    UpdateStatus();
}

void TForm1::SetRotation(int angle)
{
    if (FFixedBitmapSize && IsHorizontal(Barcode1->Rotate()) != IsHorizontal(angle))
        std::swap(FBitmapWidth, FBitmapHeight);
    Barcode1->SetRotate(angle);
    UpdateRotateMenu();
    UpdateStatus();
    ApplyLayout();
}

void TForm1::UpdateRotateMenu()
{
    const int rotate = Barcode1->Rotate();
    N0degrees1->setChecked(rotate == 0);
    N90degrees1->setChecked(rotate == 90);
    N180degrees1->setChecked(rotate == 180);
    N270degrees1->setChecked(rotate == 270);
}

void TForm1::RotateButton1Click()
{
    switch (Barcode1->Rotate()) {
    case 0: SetRotation(90); break;
    case 90: SetRotation(180); break;
    case 180: SetRotation(270); break;
    case 270: SetRotation(0); break;
    default: break;
    }
}

void TForm1::MenuRotateLinksClick()
{
    switch (Barcode1->Rotate()) {
    case 0: SetRotation(270); break;
    case 90: SetRotation(0); break;
    case 180: SetRotation(90); break;
    case 270: SetRotation(180); break;
    default: break;
    }
}

void TForm1::CopyButtonClick() { Barcode1->CopyToClipboard(); }

void TForm1::Propertypage1Click()
{
    Barcode1->DoPropertiesVerb();
    UpdateRotateMenu();
    Code->setText(Barcode1->Text());
    UpdateColorIcons();
    UpdateStatus();
}

void TForm1::German1Click()
{
    German1->setChecked(true);
    English1->setChecked(false);
    TGetLang::SetDeutsch();
    SetLangTexts();
    UpdateStatus();
}

void TForm1::English1Click()
{
    English1->setChecked(true);
    German1->setChecked(false);
    TGetLang::SetEnglisch();
    SetLangTexts();
    UpdateStatus();
}

void TForm1::URLButtonClick() { OpenUrl(T(TessalineAddress::HomeEn, TessalineAddress::HomeDe)); }
void TForm1::Download1Click() { OpenUrl(T(TessalineAddress::DownloadEn, TessalineAddress::DownloadDe)); }
void TForm1::SupportForum1Click() { OpenUrl(T(TessalineAddress::ForumEn, TessalineAddress::ForumDe)); }
void TForm1::ShopURLClick() { OpenUrl(T(TessalineAddress::ShopEn, TessalineAddress::ShopDe)); }

void TForm1::AboutQuenby1Click()
{
    if (!InfoDialog)
        return;
    InfoDialog->SetControlVersion(Barcode1->Version());
    InfoDialog->exec();
}

void TForm1::Emailsenden1Click()
{
    if (!InfoDialog)
        return;
    InfoDialog->SetControlVersion(Barcode1->Version());
    InfoDialog->EmailClick();
}

void TForm1::Exit1Click() { close(); }

void TForm1::MenuType1Click()
{
    if (!TypeSelect)
        return;
    QStringList names;
    for (int i = 0; i < BarcodeList->count(); ++i)
        names << BarcodeList->itemText(i);
    TypeSelect->SetTexts();
    TypeSelect->Fill(names, BarcodeList->currentText());
    TypeSelect->exec();
    const QString chosen = TypeSelect->SelectedType();
    if (!TypeSelect->Cancelled() && !chosen.isEmpty()) {
        Barcode1->SetTypeName(chosen);
        SelectTypeInList(chosen);
        if (TypeSelect->AutoDemoText->isChecked()) {
            Barcode1->SetDemoText();
            Code->setText(Barcode1->Text());
        }
    }
    UpdateStatus();
}

void TForm1::Info1Click()
{
    if (!BarcodeInfo)
        return;
    BarcodeInfo->SetTexts();
    BarcodeInfo->SetBarcode(Barcode1);
    BarcodeInfo->exec();
}

// --- window events ------------------------------------------------------------------

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // Loaded once the window is on the screen, so that the first-run
        // message stands in front of it.
        QTimer::singleShot(0, this, [this] { RunCommand(this, [this] { FormShow(); }); });
    }
}

void TForm1::FormShow()
{
    QString file = QString::fromLatin1(SettingsFile);
    // A document named on the command line is a path from the current
    // directory; only the settings file's bare name means the
    // configuration directory.
    if (!CommandLineDocument.isEmpty() && QFileInfo(CommandLineDocument).isFile())
        file = QFileInfo(CommandLineDocument).absoluteFilePath();
    LoadSettings(file);
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (StatusPanels[4]) {
        ApplyLayout();
        RunCommand(this, [this] { UpdateStatus(); });
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Barcode1 && event->type() == QEvent::Paint) {
        // After the paint has run, its verdict is the control's.
        QMetaObject::invokeMethod(
            this, [this] { StatusPanels[2]->setText(SizeStateText()); }, Qt::QueuedConnection);
        return false;
    }
    // The menu's shortcuts win over the text edit's own key bindings
    // (Ctrl+E, Ctrl+D and Ctrl+B edit the line on this platform); Ctrl+C
    // still copies a selected part of the text.
    if (watched == Code && event->type() == QEvent::ShortcutOverride) {
        const QKeySequence key(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* action : findChildren<QAction*>()) {
            if (action->isEnabled() && !action->shortcut().isEmpty() && action->shortcut() == key)
                return !(action == CopyMetafile1 && Code->hasSelectedText());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // A changed document is saved first, or left on purpose; cancelling
    // keeps the window open.
    if (!QueryKeepWork()) {
        event->ignore();
        return;
    }
    SaveSettings(QString::fromLatin1(SettingsFile));
    event->accept();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    if (std::any_of(urls.cbegin(), urls.cend(), IsDocumentUrl))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!data)
        return;
    for (const QUrl& url : data->urls()) {
        if (!IsDocumentUrl(url))
            continue;
        event->acceptProposedAction();
        const QString file = url.toLocalFile();
        // After the drop has ended, so that the prompt and messages do not
        // run inside the drag and drop loop.
        QTimer::singleShot(0, this, [this, file] { RunCommand(this, [&] { OpenRecentFile(file); }); });
        return;
    }
    event->ignore();
}
