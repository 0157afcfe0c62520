// CBarcodeHost: the Qt container of one Tessaline control.
//
// The widget creates the control by program id (through the component
// registry, so the control library must be registered), gives it its
// container site and is the control's window: it paints the control,
// forwards left-button presses to it (the control answers with ClickIn),
// keeps the control's extent equal to the widget's size, and carries out
// what the control asks of its container: repaint, "modified", resize
// requests, message boxes captioned "Tessaline", the about box, the
// property frame (verb -7), the clipboard and opening web and mail
// addresses.
//
// Hosts read and write the control's properties and call its methods only
// through its dispatch interface (Dispatch(), dispatch ids in
// control/interface/barcodelib.h); its events arrive as Qt signals, emitted
// synchronously from inside the call that fires them.
#pragma once

#include <QString>
#include <QWidget>

#include <memory>

#include "platform/com/dispatch.h"
#include "platform/com/propbag.h"

class IOleControl;
class IEventSource;
class CBarcodeHostSite;

// The program id under which hosts create the control.
inline constexpr const char* kBarcodeControlProgId = "BARCODE.BarcodeCtrl.1";
// OLE verb that opens the control's property pages.
inline constexpr int OLEIVERB_PROPERTIES = -7;

class CBarcodeHost : public QWidget {
    Q_OBJECT

public:
    explicit CBarcodeHost(QWidget* parent = nullptr);
    ~CBarcodeHost() override;

    // Creates the control by program id and initialises it: from `state`
    // (the container's stored properties) when given, else as a new
    // control with every property at its default. Any control held before
    // is released first. On failure no control is held, the result is
    // false and `error` (when given) says why in a sentence, e.g. that the
    // program id is not registered or its library cannot be loaded.
    bool CreateControl(const QString& progId = QString::fromLatin1(kBarcodeControlProgId),
                       const CPropertyBag* state = nullptr, QString* error = nullptr);
    // Releases the control (the widget then paints nothing).
    void ReleaseControl();
    bool HasControl() const { return m_dispatch != nullptr; }

    // The control's dispatch interface (null without a control).
    std::shared_ptr<IDispatch> Dispatch() const { return m_dispatch; }
    // Its container-side interface: persistence, extent, drawing, verbs.
    std::shared_ptr<IOleControl> Control() const { return m_control; }
    // Its event source, for hosts that want the raw (dispid, arguments)
    // events besides the signals below.
    std::shared_ptr<IEventSource> Events() const { return m_events; }

    // Saves the control's persisted properties into `bag`; false without
    // a control.
    bool SaveState(CPropertyBag& bag, bool clearDirty = true);

    // Carries out an OLE verb; OLEIVERB_PROPERTIES (-7) opens the property
    // frame. False for a verb the control does not offer or without a
    // control.
    bool DoVerb(int verb);
    // The properties verb and the control's about box.
    void ShowPropertyPages() { DoVerb(OLEIVERB_PROPERTIES); }
    void AboutBox();

    // Ambient user mode the site reports (true: run mode, the default).
    void SetUserMode(bool userMode) { m_userMode = userMode; }
    bool UserMode() const { return m_userMode; }

    // Whether the control reported a change of its persisted state since
    // the flag was last cleared.
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

    QSize sizeHint() const override;

signals:
    // The control's events (dispatch ids 1 to 5 of _DBarcodeEvents).
    void TypeChange(int barcodeType);
    void TextChange(const QString& text);
    void ClickIn(int x, int y);
    void AutoTypeChange(bool autoType);
    void ShowTextChange(bool showText);
    // The control marked its persisted state changed.
    void Modified();
    // A bound property changed (data binding notification).
    void PropertyChanged(int dispid);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class CBarcodeHostSite;
    void OnControlEvent(DISPID id, const std::vector<Variant>& args);

    std::shared_ptr<CBarcodeHostSite> m_site;
    std::shared_ptr<IDispatch> m_dispatch;
    std::shared_ptr<IOleControl> m_control;
    std::shared_ptr<IEventSource> m_events;
    uint32_t m_cookie = 0;
    bool m_userMode = true;
    bool m_modified = false;
};
