// The container site: what a control may ask of its host.
//
// Every operation has the answer of a headless host (the command line,
// servers, tests): user mode, no window, no clipboard, message boxes not
// shown. A windowed container (the Qt container) overrides them.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/variant.h"
#include "platform/gdi/metafile.h"

// Message box styles and answers.
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_ICONSTOP = 0x10;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;

// What the about box shows: its title, the product line, a slogan, and
// buttons that open web addresses (label, address).
struct AboutInfo {
    std::string title;
    std::string product;
    std::string slogan;
    std::vector<std::pair<std::string, std::string>> links;
};

class IControlSite {
public:
    virtual ~IControlSite() = default;

    // Ambient user mode: false while the container is in design mode.
    virtual bool AmbientUserMode() const { return true; }
    // Whether the control has a window of its own (it is shown).
    virtual bool HasWindow() const { return false; }
    // The window's client size in pixels (meaningful with a window).
    virtual SIZE GetClientSize() const { return {}; }

    // Redraw the whole control (or `rect`), the background erased first.
    virtual void InvalidateControl(const RECT* rect) { (void)rect; }
    // The control's persisted state changed.
    virtual void OnModified() {}
    // The control asks to be resized to `size` pixels; true when granted.
    virtual bool RequestResize(SIZE size) { (void)size; return true; }
    // Data binding: the bound property `dispid` changed.
    virtual void OnPropertyChanged(DISPID dispid) { (void)dispid; }

    // Shows a message box (UTF-8 texts); returns the button pressed.
    virtual int MessageBox(const std::string& text, const std::string& caption, UINT style)
    {
        (void)text; (void)caption; (void)style;
        return IDOK;
    }
    virtual void ShowAboutBox(const AboutInfo& about) { (void)about; }
    // Opens the property frame with the control's property pages.
    virtual void ShowPropertyFrame() {}
    // Opens a web or mail address with the desktop's handler.
    virtual bool OpenUrl(const std::string& url) { (void)url; return false; }

    // Clipboard: empties it and places one item, which it then owns.
    virtual bool SetClipboardMetafile(std::shared_ptr<const CMetaFileDC> metafile)
    {
        (void)metafile;
        return false;
    }
    virtual bool SetClipboardBitmap(PicturePtr bitmap) { (void)bitmap; return false; }
};

// The headless host: every answer as above.
class CHeadlessSite : public IControlSite {};
