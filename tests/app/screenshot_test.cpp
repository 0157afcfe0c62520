// Screenshots of the editor's windows in both languages, for a developer
// to look at (not run by default):
//   Xvfb :9 -screen 0 1280x900x24 &
//   DISPLAY=:9 TESSALINE_TEST_QPA=xcb TESSALINE_SCREENSHOTS=/tmp/shots
//   test_app --gtest_also_run_disabled_tests --gtest_filter='Screenshots*'
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QPrintPreviewDialog>
#include <QInputDialog>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include "app/layoutdialog.h"
#include "app/printing.h"
#include "app/typeselect.h"
#include <QSpinBox>
#include "control/interface/qt/propframe.h"
#include "app_support.h"

namespace {

class Screenshots : public AppTest {
protected:
    // The whole screen, so that a dialog is seen over its window.
    void Shoot(const QString& name)
    {
        QApplication::processEvents();
        QTest::qWait(150);
        const char* dir = std::getenv("TESSALINE_SCREENSHOTS");
        const QString folder = QString::fromLocal8Bit(dir && *dir ? dir : "/tmp/tessastudio-shots");
        QDir().mkpath(folder);
        QGuiApplication::primaryScreen()->grabWindow(0).save(folder + "/" + name + ".png");
    }
};

TEST_F(Screenshots, DISABLED_EveryWindowInBothLanguages)
{
    TForm1& form = Start();
    form.move(100, 80);
    for (QAction* language : {form.English1, form.German1}) {
        language->trigger();
        const QString lang = form.German1->isChecked() ? "de" : "en";
        Shoot(lang + "-main");
        form.File1->popup(form.mapToGlobal(QPoint(0, 20)));
        Shoot(lang + "-menu-file");
        form.File1->hide();

        WhenShown(form.TypeSelect, [&] {
            Shoot(lang + "-type");
            form.TypeSelect->CancelClick();
        });
        form.MenuType1Click();
        WhenShown(form.LayoutDialog, [&] {
            Shoot(lang + "-layout");
            form.LayoutDialog->CancelButtonClick();
        });
        form.Layout1Click();
        WhenOpen<QInputDialog>([&](QInputDialog* dialog) {
            Shoot(lang + "-text");
            dialog->reject();
        });
        form.Text1Click();
        WhenOpen<QFontDialog>([&](QFontDialog* dialog) {
            Shoot(lang + "-font");
            dialog->reject();
        });
        form.FontButtonClick();
        WhenOpen<TPrintSetup>([&](TPrintSetup* dialog) {
            Shoot(lang + "-print");
            dialog->reject();
        });
        form.Print1Click();
        WhenOpen<CPropertyFrame>([&](CPropertyFrame* frame) {
            Shoot(lang + "-pages-general");
            frame->Tabs()->setCurrentIndex(frame->Tabs()->count() - 1);
            Shoot(lang + "-pages-layout");
            frame->reject();
        });
        form.Propertypage1Click();
        WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            Shoot(lang + "-open");
            dialog->reject();
        });
        form.OpenButtonClick();
        WhenOpen<QColorDialog>([&](QColorDialog* dialog) {
            Shoot(lang + "-colour");
            dialog->reject();
        });
        form.ForeButtonClick();
        WhenOpen<TPrintSetup>([&](TPrintSetup* dialog) {
            dialog->Copies->setValue(5);
            dialog->Columns->setValue(2);
            dialog->Rows->setValue(3);
            dialog->accept();
        });
        WhenOpen<QPrintPreviewDialog>([&](QPrintPreviewDialog* dialog) {
            Shoot(lang + "-preview");
            dialog->reject();
        });
        form.PrintPreview1Click();

        const QSize size = form.size();
        form.resize(330, size.height());
        Shoot(lang + "-narrow");
        form.resize(size);
    }
}

} // namespace
