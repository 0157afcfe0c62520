// The property frame: a modal sheet with one tab per property page of a
// control and OK, Cancel and Apply buttons, and the framework's stock font
// and colour pages.
#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

#include "control/interface/qt/proppage.h"

class QDialogButtonBox;
class QTabWidget;

// Program ids of the stock pages that every control may list.
inline constexpr const char* kStockFontPage = "StockFontPage";
inline constexpr const char* kStockColorPage = "StockColorPage";

// Creates a page by program id: a stock page, or a registered page class.
// A page class of this library that is not registered is still created
// from the library itself, so a sheet opened before registration is whole.
// nullptr (and `error` set) when the page cannot be created.
std::shared_ptr<IPropertyPage> CreatePropertyPage(const std::string& progId, std::string* error = nullptr);

class CPropertyFrame : public QDialog {
    Q_OBJECT
public:
    // The sheet for `objects` (all edited alike) with the pages named by
    // `pageProgIds`, in order; pages that cannot be created are left out.
    CPropertyFrame(const QString& caption, std::vector<std::shared_ptr<IDispatch>> objects,
                   const std::vector<std::string>& pageProgIds, QWidget* parent = nullptr);
    ~CPropertyFrame() override;

    size_t PageCount() const { return m_pages.size(); }
    IPropertyPage* Page(size_t index) const { return m_pages.at(index).get(); }
    QTabWidget* Tabs() const { return m_tabs; }
    QDialogButtonBox* Buttons() const { return m_buttons; }
    // Program ids of the pages that could not be created.
    const QStringList& Missing() const { return m_missing; }

    // Applies every changed page in order; false (the sheet shows the page
    // at fault) when a page refused a value.
    bool ApplyAll();

private:
    void UpdateButtons();

    std::vector<std::shared_ptr<IPropertyPage>> m_pages;
    QTabWidget* m_tabs;
    QDialogButtonBox* m_buttons;
    QStringList m_missing;
};
