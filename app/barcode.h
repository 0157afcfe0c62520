// TBarcode: the application's wrapper of the barcode control.
//
// It has its Qt container create the control by program id through the
// component registry, and talks to it only through the dispatch interface,
// by dispatch id. The control's events arrive as the container's signals
// (TypeChange, TextChange, ShowTextChange, ClickIn). The widget is the
// control's window: its size is the control's size on screen.
#pragma once

#include <QImage>
#include <QString>
#include <stdexcept>

#include "control/interface/qt/barcodehost.h"
#include "platform/com/dispatch.h"

// The control's class cannot be created (not registered, or its library
// cannot be loaded): the start of the application reacts to this one.
class EOleSysError : public std::runtime_error {
public:
    EOleSysError(HRESULT status, const std::string& message) : std::runtime_error(message), m_status(status) {}
    HRESULT Status() const { return m_status; }

private:
    HRESULT m_status;
};

// The application's font object: what the control's font carries, plus
// the colour and pitch that only the application keeps.
struct TFont {
    enum Style { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
    enum Pitch { fpDefault = 0, fpVariable = 1, fpFixed = 2 };

    QString Name = QStringLiteral("Arial");
    int Size = 18;   // points
    int Charset = 0;
    int Style = fsBold;
    int Color = int(0x80000008); // the window-text colour; the control does not draw with it
    int Pitch = fpDefault;

    // Pixels at the screen's 96 dots per inch; negative: character height.
    int Height() const;
    void SetHeight(int height);

    bool operator==(const TFont&) const = default;
};

class TBarcode : public CBarcodeHost {
    Q_OBJECT

public:
    static constexpr const char* ProgId = kBarcodeControlProgId;

    // Creates the control; throws EOleSysError when its class cannot be
    // created.
    explicit TBarcode(QWidget* parent = nullptr);

    // --- properties (by dispatch id) --------------------------------------
    QString Text();
    void SetText(const QString& text);
    int Type();
    void SetType(int type);
    QString TypeName();
    void SetTypeName(const QString& name);
    bool AutoType();
    void SetAutoType(bool autoType);
    bool ShowText();
    void SetShowText(bool showText);
    int Rotate();
    void SetRotate(int rotate);
    int NotchHeightInPercent();
    void SetNotchHeightInPercent(int percent);
    int Borderwidth();
    void SetBorderwidth(int width);
    int Borderheight();
    void SetBorderheight(int height);
    int MaxBorderwidth();
    int MaxBorderheight();
    // OLE colours (0x00BBGGRR, or 0x80000000 | index for a system colour).
    uint32_t ForeColor();
    void SetForeColor(uint32_t color);
    uint32_t BackColor();
    void SetBackColor(uint32_t color);
    // The control's font with the application's colour and pitch.
    TFont Font();
    void SetFont(const TFont& font);
    bool IsValid();
    bool IsSizeOk();
    int Checksum();
    int CountTypesSupported();
    QString Version();
    // The Picture property as an image (null when the control has none).
    QImage Picture();

    // --- methods ------------------------------------------------------------
    bool CopyToClipboard();
    bool CreatePictureBySize(int width, int height);
    void SetDemoText();
    int SaveAsPNGBySize(const QString& fileName, int width, int height);
    // The control's Properties verb: its own property pages.
    void DoPropertiesVerb();

    // An OLE colour as the colour it shows.
    static QColor ToQColor(uint32_t oleColor);
    static uint32_t ToOleColor(const QColor& color);

private:
    Variant Get(DISPID id);
    void Put(DISPID id, const Variant& value);
    Variant Call(DISPID id, const std::vector<Variant>& args = {});

    int m_fontColor = int(0x80000008);
    int m_fontPitch = TFont::fpDefault;
};
