// Property pages: the interface a property frame uses, a base class that
// builds a page from a dialog template and exchanges its controls' values
// with the properties of the objects it edits, and the up-down control.
//
// A page talks to its objects only through their dispatch interfaces. The
// exchange runs twice: when the page opens (properties -> members ->
// controls) and when it applies (controls -> members -> properties). On
// apply only the properties whose controls the user changed are written,
// in exchange order, to every object.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"

class QToolButton;

// What a property frame asks of a page.
class IPropertyPage : public virtual IUnknown {
public:
    // The objects whose properties the page edits (the first one supplies
    // the values shown).
    virtual void SetObjects(std::vector<std::shared_ptr<IDispatch>> objects) = 0;
    // Called whenever the page's dirty state may have changed.
    virtual void SetStatusCallback(std::function<void()> callback) = 0;
    virtual QString Caption() const = 0;
    // Creates the page's window as a child of `parent` and loads the
    // objects' values into it; the page owns the window until Deactivate.
    virtual QWidget* Activate(QWidget* parent) = 0;
    virtual void Deactivate() = 0;
    // Whether the user changed a value since the last load or apply.
    virtual bool IsPageDirty() const = 0;
    // Writes the changed values to the objects; false when a value was
    // refused (the page stays open on that value).
    virtual bool Apply() = 0;
};

// One item of a dialog template, in dialog units.
struct DialogItem {
    enum Kind {
        GroupBox,
        Label,
        Edit,      // single line
        DigitEdit, // single line, digits only, centred
        MultiEdit, // multi-line with vertical scroll bar
        ReadOnlyEdit,
        PushButton,
        BitmapButton,
        CheckBox,
        DropList,
        Picture,
        UpDown, // up-down control; `buddy` names its edit
    };
    Kind kind;
    int id; // -1: a static item
    const char* text;
    int x, y, cx, cy; // cx/cy 0: the kind's default
    int buddy = -1;
};

// The up-down control: two arrow buttons that step the integer in a buddy
// edit within a range, also from the buddy's arrow keys. The range limits
// only the stepping; a value typed into the buddy is left as typed.
class CUpDown : public QWidget {
    Q_OBJECT
public:
    explicit CUpDown(QWidget* parent = nullptr);
    void SetBuddy(QLineEdit* buddy);
    QLineEdit* Buddy() const { return m_buddy; }
    void SetRange(int lower, int upper);
    int Lower() const { return m_lower; }
    int Upper() const { return m_upper; }
    // Steps the buddy's value by `delta` within the range.
    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<QLineEdit> m_buddy;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_lower = 0, m_upper = 100;
};

class CDataExchange;

// A page built from a dialog template, with the framework's data
// exchange. Derived pages give their template, their caption and their
// DoDataExchange, and may react to their controls in OnInitDialog.
class CPropertyPage : public IPropertyPage {
public:
    CPropertyPage(QString caption, std::vector<DialogItem> dialog, int widthDu, int heightDu);
    ~CPropertyPage() override;

    void SetObjects(std::vector<std::shared_ptr<IDispatch>> objects) override { m_objects = std::move(objects); }
    void SetStatusCallback(std::function<void()> callback) override { m_status = std::move(callback); }
    // The caption in the pages' language (PageText).
    QString Caption() const override;
    QWidget* Activate(QWidget* parent) override;
    void Deactivate() override;
    bool IsPageDirty() const override { return !m_dirty.empty(); }
    bool Apply() override;

    // The control of the page's window with that id (nullptr: none).
    QWidget* GetDlgItem(int id) const;
    template <class T>
    T* Item(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }
    QWidget* Window() const { return m_window; }
    const std::vector<std::shared_ptr<IDispatch>>& Objects() const { return m_objects; }

    // Marks a control changed by the user (its property is written on
    // apply), as every edit, check box and list of the page does itself.
    void SetControlStatus(int id, bool dirty);
    bool IsControlDirty(int id) const;

protected:
    virtual void DoDataExchange(CDataExchange* dx) = 0;
    // After the first exchange filled the controls.
    virtual void OnInitDialog() {}

private:
    friend class CDataExchange;
    void Build();
    bool UpdateData(bool save);

    QString m_caption;
    std::vector<DialogItem> m_dialog;
    int m_widthDu, m_heightDu;
    std::vector<std::shared_ptr<IDispatch>> m_objects;
    std::function<void()> m_status;
    QPointer<QWidget> m_window;
    std::vector<std::pair<int, QPointer<QWidget>>> m_items;
    std::vector<int> m_dirty;
    bool m_loading = false;
};

// One run of a page's data exchange (see the top of this file). The DDP_
// calls connect a member with a property, the DDX_ calls a member with a
// control; a page lists, for each value, its DDP_ call and then its DDX_
// call, and ends with DDP_PostProcessing.
class CDataExchange {
public:
    CDataExchange(CPropertyPage* page, bool save) : m_page(page), m_save(save) {}
    bool IsSaving() const { return m_save; }
    CPropertyPage* Page() const { return m_page; }
    bool Failed() const { return m_failed; }
    // Refuses the exchange at control `id`: a message box, focus on it.
    void Fail(int id, const QString& message);

    // Loading: the property of the first object (false when it cannot be
    // read); saving: records the value to write when the control changed.
    bool Read(const char* property, Variant& value);
    void Record(int id, const char* property, std::function<Variant()> value);
    // Writes the recorded values to every object.
    void PostProcessing();

private:
    struct Pending {
        std::string property;
        std::function<Variant()> value;
        int id;
    };
    CPropertyPage* m_page;
    bool m_save;
    bool m_failed = false;
    std::vector<Pending> m_pending;
};

void DDP_Check(CDataExchange* dx, int id, int& member, const char* property);
void DDP_Text(CDataExchange* dx, int id, std::string& member, const char* property);
void DDP_Text(CDataExchange* dx, int id, int16_t& member, const char* property);
void DDP_CBString(CDataExchange* dx, int id, std::string& member, const char* property);
void DDP_PostProcessing(CDataExchange* dx);

void DDX_Check(CDataExchange* dx, int id, int& member);
void DDX_Text(CDataExchange* dx, int id, std::string& member);
void DDX_Text(CDataExchange* dx, int id, int16_t& member);
// A drop-down list: loading selects the first entry that begins with the
// value (ignoring case), saving takes the selected entry's text.
void DDX_CBString(CDataExchange* dx, int id, std::string& member);

// The index of the first entry of a list that begins with `prefix`
// (ignoring case), or -1.
int FindStringPrefix(const QStringList& entries, const QString& prefix);
