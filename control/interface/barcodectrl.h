// CBarcodeCtrl: the embeddable barcode control. One instance holds one
// barcode: its settings, the symbol object of its type, its events and
// its persisted properties.
//
// The C++ accessors below are what the dispatch interface calls; strings
// are UTF-8 here and Windows-1252 in the symbol model.
#pragma once

#include <string>
#include <vector>

#include "control/engine/catalogue.h"
#include "control/interface/barcodelib.h"
#include "platform/com/olecontrol.h"

class CBarcodeCtrl : public COleControl, private ISymbolHost {
public:
    CBarcodeCtrl();
    ~CBarcodeCtrl() override;

    // The default font: Arial, 18 points, bold, character set 0.
    static FontObject DefaultFont();

    const TypeLibDesc& GetTypeLib() const override { return BarcodeTypeLib(); }
    std::vector<std::string> GetPropertyPages() const override;

    // --- properties ----------------------------------------------------------
    BOOL GetAutoType() const { return m_slot.m_autoType; }
    void SetAutoType(BOOL autoType);
    int32_t GetType() { return m_slot.GetType(); }
    void SetType(int32_t type) { m_slot.SetType(type); }
    std::string GetTypeName();
    void SetTypeName(const std::string& name);
    BOOL GetIsValid() const;
    int32_t GetChecksum() const;
    const FontObject& GetFont() const { return m_font; }
    // nullptr: the default font.
    void SetFont(const FontObject* font);
    BOOL GetShowText() const;
    void SetShowText(BOOL showText);
    int16_t GetBorderwidth() const { return m_borderwidth; }
    void SetBorderwidth(int16_t width);
    int16_t GetBorderheight() const { return m_borderheight; }
    void SetBorderheight(int16_t height);
    int16_t GetNotchHeightInPercent() const { return m_slot.m_notchHeightInPercent; }
    void SetNotchHeightInPercent(int16_t percent);
    int16_t GetMaxBorderwidth() const;
    int16_t GetMaxBorderheight() const;
    BOOL GetIsSizeOk() const;
    int16_t GetRotate() const { return m_slot.m_rotate; }
    void SetRotate(int16_t rotate);
    int32_t GetCountTypesSupported() const { return kTypeCount; }
    std::string GetVersion() const { return kBarcodeVersion; }
    std::string GetText();
    void SetText(const std::string& text);

    // --- methods -------------------------------------------------------------
    void SetDemoText();
    void AboutBox();
    // Image outputs (control/interface/ctrlimages.cpp).
    PicturePtr GetPicture() const { return m_picture; }
    void SetPicture(PicturePtr picture);
    BOOL CopyToClipboard();
    BOOL CreatePictureBySize(int32_t width, int32_t height);
    BOOL CopyToClipboardBySize(int32_t width, int32_t height);
    int16_t SaveAsPNG(const std::string& fileName);
    int16_t SaveAsPNGBySize(const std::string& fileName, int32_t width, int32_t height);
    Variant BinaryWriteAsPNGBySize(int32_t width, int32_t height);
    Variant BinaryWriteAsPNG();

    // The control's one drawing routine: every paint and every image
    // output draws through it.
    void DrawBarcode(CDC* dc, const RECT& bounds, const RECT& invalid);

    // The current symbol object (nullptr before initialisation).
    CGenericBarcode* GetSymbol() const { return m_slot.Symbol(); }

protected:
    void DoPropExchange(CPropExchange* px) override;
    void OnResetState() override;
    void OnDraw(CDC* dc, const RECT& bounds, const RECT& invalid) override;
    void OnDrawMetafile(CDC* dc, const RECT& bounds) override;
    void OnClick(POINT point) override;

    Variant InvokeGet(const MemberDesc& member) override;
    void InvokePut(const MemberDesc& member, const Variant& value) override;
    Variant InvokeMethod(const MemberDesc& member, const std::vector<Variant>& args) override;

private:
    // ISymbolHost: what a type change asks of the control.
    [[noreturn]] void ThrowError(int32_t status, const std::string& description, uint32_t helpContext) override;
    void InvalidateControl() override { COleControl::InvalidateControl(); }
    void SetModifiedFlag() override { COleControl::SetModifiedFlag(true); }
    bool AmbientUserMode() const override { return COleControl::AmbientUserMode(); }
    void BoundPropertyChanged(int32_t dispid) override { COleControl::BoundPropertyChanged(dispid); }
    void FireTypeChange(int32_t type) override;

    // The Text write path on a Windows-1252 text.
    void WriteText(const std::string& text);
    // Repaint and mark modified, as every drawn property's write ends.
    void Changed();
    // A range message through the site, when the control has a window.
    void Warn(const std::string& text);

    CSymbolSlot m_slot; // the symbol object and the state handed to it
    int16_t m_borderwidth = 0;
    int16_t m_borderheight = 0;
    FontObject m_font;
    PicturePtr m_picture;
};
