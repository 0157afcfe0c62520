// The control's own property pages: the general page (text, show-text,
// type, rotation, demo text, about box) and the layout page (light margins
// and notch height). They edit the control only through its properties.
#pragma once

#include <string>

#include "control/interface/qt/proppage.h"

// Program ids and class identities of the two page classes.
inline constexpr const char* kBarcodePropPageProgId = "BARCODE.BarcodePropPage.1";
inline constexpr const char* kBarcodePropPageLayoutProgId = "barcode.CBarcodePropPageLayout";
extern const CLSID CLSID_BarcodePropPage;
extern const CLSID CLSID_BarcodePropPageLayout;

// Control ids of the pages.
enum : int {
    // general page
    IDC_TEXT = 204,
    IDC_TYPENAME = 205,
    IDC_SHOWTEXT = 215,
    IDC_ABOUT = 229,
    IDC_DEMOTEXT = 244,
    IDC_ROTATE = 246,
    // layout page
    IDC_SPIN_BORDERWIDTH = 222,
    IDC_SPIN_BORDERHEIGHT = 223,
    IDC_SPIN_NOTCH = 224,
    IDC_BORDERHEIGHT = 228,
    IDC_BORDERWIDTH = 229,
    IDC_NOTCH = 230,
    IDC_MAXBORDERWIDTH = 233,
    IDC_MAXBORDERHEIGHT = 234,
};

class CBarcodePropPage : public CPropertyPage {
public:
    CBarcodePropPage();

    // The demo text of a type's display name as the page knows it ("" for
    // a name it does not know, such as "None").
    static std::string DemoText(const std::string& typeName);
    // Fills the text edit with the demo text of the selected type.
    void OnDemoText();
    void OnAbout();

    std::string m_strText;
    std::string m_strTypeName;
    std::string m_strRotate;
    int m_bShowText = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnInitDialog() override;
};

class CBarcodePropPageLayout : public CPropertyPage {
public:
    CBarcodePropPageLayout();

    int16_t m_nBorderwidth = 0;
    int16_t m_nBorderheight = 0;
    int16_t m_nNotchHeightInPercent = 0;
    int16_t m_nMaxBorderwidth = 0;
    int16_t m_nMaxBorderheight = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnInitDialog() override;
};
