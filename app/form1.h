// TForm1: tessastudio's main window. It hosts one barcode control
// (Barcode1), sets its properties from toolbars, menus and dialogs, and
// mirrors its state in the status bar. Handlers are named after their
// component and event.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <array>

#include "app/barcode.h"
#include "app/getlang.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
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

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();
    bool m_fixed = false;
    QSize m_size;
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
    std::array<QLabel*, 5> StatusPanels{};

    QMenu* File1 = nullptr;
    QAction* Open1 = nullptr;
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

    // --- handlers ------------------------------------------------------------
    void FormCreate();
    void FormShow();
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
