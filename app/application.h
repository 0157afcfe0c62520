// The program's start: the main window with its control, then the type
// selection and barcode information dialogs, the about dialog and the
// layout dialog. When the control cannot be created the about dialog is
// the only window, and it reports the missing control.
#pragma once

#include <QStringList>
#include <memory>

class QWidget;
class TBarcodeInfo;
class TForm1;
class TInfoDialog;
class TLayoutDialog;
class TTypeSelect;

class TApplication {
public:
    // `arguments`: the command line without the program name.
    explicit TApplication(const QStringList& arguments);
    ~TApplication();

    TForm1* Form1() const { return m_form1.get(); }
    TTypeSelect* TypeSelect() const { return m_typeSelect.get(); }
    TBarcodeInfo* BarcodeInfo() const { return m_barcodeInfo.get(); }
    TInfoDialog* InfoDialog() const { return m_infoDialog.get(); }
    TLayoutDialog* LayoutDialog() const { return m_layoutDialog.get(); }
    bool ControlMissing() const { return m_controlMissing; }
    // The window the application shows: the main window, or the about
    // dialog when the control is missing.
    QWidget* MainForm() const;

    // Shows the main form and runs the message loop until it closes.
    int Run();

private:
    std::unique_ptr<TForm1> m_form1;
    std::unique_ptr<TTypeSelect> m_typeSelect;
    std::unique_ptr<TBarcodeInfo> m_barcodeInfo;
    std::unique_ptr<TInfoDialog> m_infoDialog;
    std::unique_ptr<TLayoutDialog> m_layoutDialog;
    bool m_controlMissing = false;
};
