// Barcode documents from anywhere, opened in the editor (LoadSettings on
// the offscreen platform, the control created through the registry like an
// installed one), then saved and opened again.
// - opening never crashes, hangs or leaves the control unusable;
// - a document the editor saved opens to the same state: saving it again
//   writes the same values (the window size excepted, which the screen
//   may refuse).
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QString>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/barcode.h"
#include "app/form1.h"
#include "app/getlang.h"
#include "app/shell.h"
#include "control/engine/catalogue.h"
#include "control/interface/barcodelib.h"
#include "platform/com/registry.h"
#include "platform/profile/profile.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

namespace fs = std::filesystem;

fs::path g_dir;
TApplication* g_app = nullptr;

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// Every saved key but the window size, which follows what the screen grants.
bool SameDocument(const CProfile& a, const CProfile& b)
{
    for (const std::string& section : a.Sections())
        for (const std::string& key : a.Keys(section)) {
            if (section == "SIZE" && (key == "Width" || key == "Height")) continue;
            if (a.Get(section, key) != b.Get(section, key)) {
                std::fprintf(stderr, "%s/%s: \"%s\" then \"%s\"\n", section.c_str(), key.c_str(),
                             Printable(a.Get(section, key).value_or("-")).c_str(),
                             Printable(b.Get(section, key).value_or("-")).c_str());
                return false;
            }
        }
    return a.Sections() == b.Sections();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    g_dir = FuzzWorkDir("tessastudio");
    setenv("TESSALINE_REGISTRY", (g_dir / "registry.ini").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (g_dir / "config").c_str(), 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", "C", 1);

    static int argc = 1;
    static char name[] = "fuzz_document";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
    // The built control library, registered as an installation does.
    const std::string library = ModulePath(reinterpret_cast<const void*>(&BarcodeTypeLib));
    const std::string command = std::string(TESSALINE_BINARY_DIR) + "/tessaline-regsvr -s '" + library + "'";
    if (library.empty() || std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cannot register %s\n", library.c_str());
        std::abort();
    }
    // The control warns about refused values in message boxes of its own
    // (modal, through its site): they are dismissed as a user would.
    auto* dismisser = new QTimer;
    dismisser->setInterval(2);
    QObject::connect(dismisser, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    dismisser->start();
    SetMessageBoxHook([](const QString&, const QString&, QMessageBox::Icon) {});
    SetOpenUrlHook([](const QString&) { return true; });
    // The application and its window stay to the end of the process: Qt's
    // own statics are gone by the time exit handlers run.
    g_app = new TApplication(QStringList{});
    if (!g_app->Form1()) {
        std::fprintf(stderr, "no main window\n");
        std::abort();
    }
    g_app->Form1()->show();
    QApplication::processEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TForm1& form = *g_app->Form1();
    const fs::path document = g_dir / "fuzz.bar";
    WriteFile(document, std::string(reinterpret_cast<const char*>(data), size));
    form.OpenDocument(QString::fromStdString(document.string()));

    TBarcode& b = *form.Barcode1;
    FUZZ_CHECK(FindTypeInfo(b.Type()) != nullptr, "type %d after opening", int(b.Type()));
    const int rotate = b.Rotate();
    FUZZ_CHECK(rotate == 0 || rotate == 90 || rotate == 180 || rotate == 270, "rotation %d", rotate);

    const fs::path first = g_dir / "first.bar", second = g_dir / "second.bar";
    FUZZ_CHECK(form.SaveDocument(QString::fromStdString(first.string())), "cannot save");
    form.OpenDocument(QString::fromStdString(first.string()));
    FUZZ_CHECK(form.SaveDocument(QString::fromStdString(second.string())), "cannot save again");
    FUZZ_CHECK(SameDocument(CProfile(first.string()), CProfile(second.string())),
               "a saved document opens to another state");
    return 0;
}
