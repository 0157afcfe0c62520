#include "app/application.h"

#include <QApplication>
#include <cstdio>

#include "app/barcodeinfo.h"
#include "app/form1.h"
#include "app/infodialog.h"
#include "app/layoutdialog.h"
#include "app/typeselect.h"

TApplication::TApplication(const QStringList& arguments)
{
    try {
        m_form1 = std::make_unique<TForm1>();
        if (!arguments.isEmpty())
            m_form1->CommandLineDocument = arguments.constFirst();
        m_typeSelect = std::make_unique<TTypeSelect>(m_form1.get());
        m_barcodeInfo = std::make_unique<TBarcodeInfo>(m_form1.get());
    } catch (const EOleSysError& error) {
        // The control's class cannot be created: go on without the main
        // window; the about dialog will say so.
        std::fprintf(stderr, "tessastudio: %s\n", error.what());
        m_controlMissing = true;
        m_form1.reset();
    }
    m_infoDialog = std::make_unique<TInfoDialog>(m_controlMissing, m_form1.get());
    m_layoutDialog = std::make_unique<TLayoutDialog>(m_form1.get());
    if (m_form1) {
        m_form1->TypeSelect = m_typeSelect.get();
        m_form1->BarcodeInfo = m_barcodeInfo.get();
        m_form1->InfoDialog = m_infoDialog.get();
        m_form1->LayoutDialog = m_layoutDialog.get();
    }
}

TApplication::~TApplication()
{
    // The dialogs go before the window that parents them.
    m_layoutDialog.reset();
    m_infoDialog.reset();
    m_barcodeInfo.reset();
    m_typeSelect.reset();
    m_form1.reset();
}

QWidget* TApplication::MainForm() const
{
    return m_form1 ? static_cast<QWidget*>(m_form1.get()) : static_cast<QWidget*>(m_infoDialog.get());
}

int TApplication::Run()
{
    if (!m_form1) {
        m_infoDialog->exec();
        return 0;
    }
    m_form1->show();
    return QApplication::exec();
}
