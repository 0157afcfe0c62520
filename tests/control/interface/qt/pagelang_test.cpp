// The property pages speak the host's language (or the locale's), and
// their captions fit their boxes inside group frames that line up.
#include "qt_host.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <cstdlib>

#include "control/interface/qt/barcodehost.h"
#include "control/interface/qt/barcodeproppage.h"
#include "control/interface/qt/pagelang.h"
#include "control/interface/qt/propframe.h"
#include "platform/com/olecontrol.h"

namespace {

class PageLanguage : public ::testing::Test {
protected:
    void TearDown() override
    {
        ResetPropertyPageLanguage();
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "C", 1);
    }
};

TEST_F(PageLanguage, ChosenByTheHostElseByTheLocale)
{
    const struct {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        TPageLanguage expected;
    } cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", TPageLanguage::German},
        {nullptr, "de_AT", "en_US.UTF-8", TPageLanguage::German},
        {"en_GB", "de_DE", "de_DE", TPageLanguage::English}, // the first one set decides
        {"", "", "de_CH", TPageLanguage::German},             // empty counts as not set
        {nullptr, nullptr, "fr_FR", TPageLanguage::English},
        {nullptr, nullptr, nullptr, TPageLanguage::English},
    };
    for (const auto& c : cases) {
        const auto put = [](const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); };
        put("LC_ALL", c.lcAll);
        put("LC_MESSAGES", c.lcMessages);
        put("LANG", c.lang);
        ResetPropertyPageLanguage();
        EXPECT_EQ(PropertyPageLanguage(), c.expected) << (c.lang ? c.lang : "-");
        // The host's choice wins over the locale.
        SetPropertyPageLanguage(TPageLanguage::English);
        EXPECT_EQ(PropertyPageLanguage(), TPageLanguage::English);
        SetPropertyPageLanguage(TPageLanguage::German);
        EXPECT_EQ(PropertyPageLanguage(), TPageLanguage::German);
    }
}

TEST_F(PageLanguage, PagesInBothLanguagesFitAndLineUp)
{
    CBarcodeHost host;
    ASSERT_TRUE(host.CreateControl());
    const struct {
        TPageLanguage language;
        QStringList tabs;
        const char* showText;
    } cases[] = {
        {TPageLanguage::English, {"General", "Font", "Colors", "Layout"}, "&ShowText (print data"},
        {TPageLanguage::German, {"Allgemein", "Schriftart", "Farben", "Layout"}, "&ShowText (Daten"},
    };
    for (const auto& c : cases) {
        SetPropertyPageLanguage(c.language);
        CPropertyFrame frame(QStringLiteral("Tessaline"), {host.Dispatch()},
                             host.Control()->GetPropertyPages());
        frame.show();
        QStringList tabs;
        for (int i = 0; i < frame.Tabs()->count(); ++i)
            tabs << frame.Tabs()->tabText(i);
        EXPECT_EQ(tabs, c.tabs);

        for (size_t p = 0; p < frame.PageCount(); ++p) {
            auto* page = dynamic_cast<CPropertyPage*>(frame.Page(p));
            if (!page)
                continue; // a stock page: laid out by its own layout
            QWidget* window = page->Window();
            // Captions are whole: no box is narrower than its text.
            for (QWidget* item : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                const auto* button = qobject_cast<QAbstractButton*>(item);
                if (!qobject_cast<QLabel*>(item) && !(button && !button->text().isEmpty()))
                    continue; // not a caption (the demo button shows a picture)
                if (auto* label = qobject_cast<QLabel*>(item); label && !label->pixmap().isNull())
                    continue;
                EXPECT_GE(item->width(), item->sizeHint().width()) << item->objectName().toStdString() << " " << " "
                                                                    << frame.Tabs()->tabText(int(p)).toStdString();
                EXPECT_LE(item->geometry().right(), window->width()) << item->objectName().toStdString();
            }
            // The group frames of one column share their edges and follow
            // one another without overlapping.
            QList<QRect> column;
            for (QGroupBox* group : window->findChildren<QGroupBox*>())
                if (group->x() == window->findChildren<QGroupBox*>().first()->x())
                    column << group->geometry();
            for (qsizetype i = 1; i < column.size(); ++i) {
                EXPECT_EQ(column[i].left(), column[0].left());
                EXPECT_EQ(column[i].right(), column[0].right());
                EXPECT_GE(column[i].top(), column[i - 1].bottom());
            }
        }
        auto* general = dynamic_cast<CPropertyPage*>(frame.Page(0));
        ASSERT_TRUE(general);
        auto* showText = general->Item<QCheckBox>(IDC_SHOWTEXT);
        ASSERT_TRUE(showText);
        EXPECT_TRUE(showText->text().startsWith(QString::fromUtf8(c.showText))) << showText->text().toStdString();
    }
}

} // namespace
