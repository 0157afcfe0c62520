// TForm1: tessastudio's main window. It hosts one barcode control
// (Barcode1), sets its properties from toolbars, menus and dialogs, and
// mirrors its state in the status bar. Handlers are named after their
// component and event.
#pragma once

#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QString>
#include <array>

#include "app/barcode.h"
#include "app/getlang.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QStatusBar;
class QToolBar;
class QToolButton;
class QTranslator;
class TBarcodeInfo;
class TInfoDialog;
class TLayoutDialog;
class TTypeSelect;

// The place of the barcode in the window: it follows the window, or holds
// the control at a fixed size in its top left corner.
class TBarcodeArea : public QWidget {
    Q_OBJECT
public:
    explicit TBarcodeArea(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetFixed(bool fixed, QSize size);
    // A fixed-size barcode in the middle of the window instead of its
    // top left corner.
    void SetCentred(bool centred);
    bool Centred() const { return m_centred; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();
    bool m_fixed = false;
    bool m_centred = false;
    QSize m_size;
};

// The key of a menu caption: its last character marked with '&' ("&&"
// is a plain '&'), upper case; a null character when none is marked.
QChar MenuMnemonic(const QString& caption);

// A menu whose captions may mark two characters ("&90° to the &right"):
// the last one is the item's key, so that items sharing the first one
// are still reached by a key of their own.
class TMnemonicMenu : public QMenu {
    Q_OBJECT
public:
    using QMenu::QMenu;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// A status bar panel of a given width. A text wider than the panel is
// painted cut with an ellipsis (the whole text is its tool tip) and never
// beyond the panel's edges, so that neighbouring panels never overprint
// each other; text() stays the whole text.
class TStatusPanel : public QLabel {
    Q_OBJECT
public:
    explicit TStatusPanel(int width, QWidget* parent = nullptr);
    // What the panel paints at its current width.
    QString ShownText() const;
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_width; // 0: takes the rest of the bar
};

// The options of a print run.
struct TPrintOptions {
    double ModuleWidthMM = 0.33; // the narrowest bar on paper
    int Copies = 1;              // labels in all
    int Columns = 1;             // labels across a page
    int Rows = 1;                // labels down a page
    double GapMM = 5.0;          // between labels
};

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // Creates the window and its control; throws EOleSysError when the
    // control cannot be created.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The settings file, named without a directory.
    static constexpr const char* SettingsFile = "tessalineapp.ini";
    static constexpr const char* NoName = "noname.bar";

    // The dialogs, created by the program start after this window.
    TTypeSelect* TypeSelect = nullptr;
    TBarcodeInfo* BarcodeInfo = nullptr;
    TInfoDialog* InfoDialog = nullptr;
    TLayoutDialog* LayoutDialog = nullptr;

    // --- state ------------------------------------------------------------------
    bool FShowText = true;
    bool FFixedBitmapSize = false;
    int FBitmapWidth = 640;
    int FBitmapHeight = 450;
    QString FFileName;
    // The off-screen bitmap of bitmap output.
    QImage Image1;
    // Changed since the document was opened, saved or started.
    bool FModified = false;
    // The documents opened or saved last, newest first (kept in the
    // settings file).
    QStringList FRecentFiles;
    static constexpr int MaxRecentFiles = 8;
    TPrintOptions FPrintOptions;

    // --- components ---------------------------------------------------------
    TBarcode* Barcode1 = nullptr;
    TBarcodeArea* BarcodeArea = nullptr;
    TGetLang* GetLang1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QAction* OpenButton = nullptr;
    QAction* SaveButton = nullptr;
    QAction* SaveBMPButton = nullptr;
    QAction* CopyBMPButton = nullptr;
    QAction* CopyButton = nullptr;
    QComboBox* BarcodeList = nullptr;
    QLineEdit* Code = nullptr;
    QAction* DemotextButton = nullptr;
    QAction* RotateButton1 = nullptr;
    QAction* ForeButton = nullptr;
    QAction* BackButton = nullptr;
    QAction* FontButton = nullptr;
    QAction* SHowTextButton = nullptr;
    QAction* LayoutButton = nullptr;
    QAction* ToolButton3 = nullptr;
    QAction* URLButton = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    std::array<TStatusPanel*, 5> StatusPanels{};
    // Why the text is invalid, beside the five panels (empty: hidden).
    TStatusPanel* StatusReason = nullptr;

    QMenu* File1 = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QMenu* RecentFiles1 = nullptr;
    QAction* SaveNamed1 = nullptr;
    QAction* ExportSvg1 = nullptr;
    QAction* ExportPdf1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* PrintPreview1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Saveasbitmap1 = nullptr;
    QAction* AboutQuenby1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Edit1 = nullptr;
    QAction* CopyBitmap1 = nullptr;
    QAction* CopyMetafile1 = nullptr;
    QMenu* Barcode2 = nullptr;
    QAction* MenuType1 = nullptr;
    QAction* Text1 = nullptr;
    QAction* Setdemotext1 = nullptr;
    QAction* Showtext1 = nullptr;
    QMenu* Rotate1 = nullptr;
    QAction* MenuRotateRechts = nullptr;
    QAction* MenuRotateLinks = nullptr;
    QAction* N0degrees1 = nullptr;
    QAction* N90degrees1 = nullptr;
    QAction* N180degrees1 = nullptr;
    QAction* N270degrees1 = nullptr;
    QAction* Foregroundcolor1 = nullptr;
    QAction* Backgroundcolor1 = nullptr;
    QAction* Font1 = nullptr;
    QAction* Layout1 = nullptr;
    QAction* Propertypage1 = nullptr;
    QAction* Info1 = nullptr;
    QMenu* Options1 = nullptr;
    QAction* German1 = nullptr;
    QAction* English1 = nullptr;
    QAction* CenterPreview1 = nullptr;
    QMenu* Internet1 = nullptr;
    QAction* QuenbyInternet1 = nullptr;
    QAction* Download1 = nullptr;
    QAction* SupportForum1 = nullptr;
    QAction* ShopURL = nullptr;
    QAction* Emailsenden1 = nullptr;

    // --- status, language, layout ----------------------------------------------
    void UpdateStatus();
    // Captions and hints in the current language.
    void SetLangTexts();
    void ApplyLayout();
    void FitWindowToBarcode(int width, int height);
    // The size-OK text or "Resize!" for status panel 2.
    QString SizeStateText();
    // Ticks the rotation items that match the control's Rotate.
    void UpdateRotateMenu();
    // The rotation command: sets Rotate to `angle` (0, 90, 180 or 270).
    void SetRotation(int angle);

    // --- documents and settings --------------------------------------------
    void LoadSettings(const QString& fileName);
    // False (after the error message) when the file could not be written.
    bool SaveSettings(const QString& fileName);
    // Loads a document if it exists, else reports it missing.
    void OpenDocument(const QString& fileName);
    // Saves a document under `fileName`, ".bar" appended without extension.
    bool SaveDocument(const QString& fileName);
    // The document named on the command line, if any (before the first showing).
    QString CommandLineDocument;

    // --- no lost work, recent documents ----------------------------------------
    // Asks whether to save a changed document first; false when the user
    // cancels (or the save failed), so the caller must not go on.
    bool QueryKeepWork();
    // Whether the document has a name of its own (not the settings' noname.bar).
    bool HasDocumentName() const;
    void AddRecentFile(const QString& fileName);
    void UpdateRecentMenu();

    // --- images --------------------------------------------------------------
    // The size of saved and copied images.
    QSize ImageSize();
    // Makes Image1 a bitmap of the barcode at ImageSize().
    void PrepareBitmap();
    // Saves the barcode under `fileName` in the format of filter entry
    // `filterIndex` (1 to 8); throws on a file that cannot be created.
    void SaveImage(const QString& fileName, int filterIndex);
    // The name the save-image dialog proposes.
    QString ProposedImageName() const;
    // Writes the barcode at ImageSize() as an SVG or PDF document through
    // the library's vector surfaces; false (nothing left behind) on failure.
    bool ExportVector(const QString& fileName, bool pdf);

    // --- printing ----------------------------------------------------------------
    // The width of one module in pixels of the barcode as it is drawn at
    // ImageSize() (0 when no bars are drawn).
    int ModulePixels();
    // Prints the labels on `printer` (one painter, all pages); false when
    // nothing could be printed.
    bool PrintLabels(QPrinter* printer, const TPrintOptions& options);

    // --- handlers ------------------------------------------------------------
    void FormCreate();
    void FormShow();
    void New1Click();
    void SaveNamed1Click();
    void ExportSvg1Click();
    void ExportPdf1Click();
    void Print1Click();
    void PrintPreview1Click();
    void CenterPreview1Click();
    void OpenRecentFile(const QString& fileName);
    void OpenButtonClick();
    void SaveButtonClick();
    void SaveBMPButtonClick();
    void CopyBMPButtonClick();
    void CopyButtonClick();
    void BarcodeListChange();
    void CodeChange();
    void DemotextButtonClick();
    void RotateButton1Click();
    void MenuRotateLinksClick();
    void ForeButtonClick();
    void BackButtonClick();
    void FontButtonClick();
    void SHowTextButtonClick();
    void Layout1Click();
    void Info1Click();
    void MenuType1Click();
    void Text1Click();
    void AboutQuenby1Click();
    void Exit1Click();
    void Propertypage1Click();
    void German1Click();
    void English1Click();
    void URLButtonClick();
    void Download1Click();
    void SupportForum1Click();
    void ShopURLClick();
    void Emailsenden1Click();
    void Barcode1TypeChange(int type);
    void Barcode1TextChange(const QString& text);
    void Barcode1ShowTextChange(bool showText);
    void Barcode1ClickIn(int x, int y);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateComponents();
    void CreateMenu();
    QAction* AddTool(QToolBar* bar, const char* name, void (TForm1::*handler)());
    QAction* AddItem(QMenu* menu, const char* name, void (TForm1::*handler)(), const QKeySequence& shortcut = {});
    void UpdateColorIcons();
    void InstallTranslator();
    // Selects `name` in the type list (no selection when it is missing).
    void SelectTypeInList(const QString& name);

    bool m_shown = false;
    QTranslator* m_qtTranslator = nullptr;
};
