// Test support for the editor: one QApplication on the offscreen platform,
// a private registry with the built control library registered in it, a
// private configuration directory, and message boxes and web addresses
// recorded instead of shown.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <functional>
#include <QStringList>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <cstdlib>
#include <unistd.h>

#include "app/application.h"
#include "app/form1.h"
#include "app/getlang.h"
#include "app/shell.h"
#include "control/interface/barcodelib.h"
#include "platform/com/registry.h"

inline QApplication& TestApplication()
{
    static QApplication* app = [] {
        // Offscreen, unless a developer asks for a real display (the
        // screenshot tests under Xvfb: TESSALINE_TEST_QPA=xcb).
        const char* platform = std::getenv("TESSALINE_TEST_QPA");
        setenv("QT_QPA_PLATFORM", platform && *platform ? platform : "offscreen", 1);
        static int argc = 1;
        static char name[] = "test_app";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

// Runs `action` once `window` shows (from inside its modal loop).
inline void WhenShown(QWidget* window, std::function<void()> action)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, window, action] {
        if (!window->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

// Runs `action` on the first visible top-level window of class T once one
// opens (from inside its modal loop): for Qt's own dialogs, which the
// commands create themselves.
template <class T>
void WhenOpen(std::function<void(T*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* found = qobject_cast<T*>(window);
            if (!found || !found->isVisible())
                continue;
            timer->stop();
            timer->deleteLater();
            action(found);
            return;
        }
    });
    timer->start();
}

// Registers the built control library with tessaline-regsvr, as an
// installation does (the Qt container library in this process exports
// registration entry points of the same names).
inline HRESULT RegisterControlLibrary()
{
    const std::string library = ModulePath(reinterpret_cast<const void*>(&BarcodeTypeLib));
    const std::string command = std::string(TESSALINE_BINARY_DIR) + "/tessaline-regsvr -s '" + library + "'";
    return library.empty() || std::system(command.c_str()) != 0 ? E_FAIL : S_OK;
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        m_dir = std::filesystem::temp_directory_path() /
                ("tessastudio-test-" + std::to_string(getpid()) + "-" + std::to_string(++s_count));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        setenv("TESSALINE_REGISTRY", (m_dir / "registry.ini").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        setenv("LANG", "C", 1);
        TGetLang::Reset();
        if (RegisterControl()) {
            ASSERT_EQ(RegisterControlLibrary(), S_OK);
        }
        SetMessageBoxHook([this](const QString& text, const QString& caption, QMessageBox::Icon) {
            m_messages << text;
            m_captions << caption;
        });
        SetOpenUrlHook([this](const QString& url) {
            m_urls << url;
            return true;
        });
        SetQuestionHook([this](const QString& text, const QString&, QMessageBox::StandardButtons) {
            m_questions << text;
            return m_answer;
        });
    }

    void TearDown() override
    {
        m_app.reset();
        SetMessageBoxHook({});
        SetOpenUrlHook({});
        SetQuestionHook({});
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    // False for a test that wants the registry left empty.
    virtual bool RegisterControl() const { return true; }

    // Starts the application as the program does, optionally with a
    // command line, and shows its main window.
    TForm1& Start(const QStringList& arguments = {})
    {
        m_app = std::make_unique<TApplication>(arguments);
        TForm1* form = m_app->Form1();
        EXPECT_NE(form, nullptr);
        form->show();
        QApplication::processEvents();
        return *form;
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    QString QPath(const std::string& name) const { return QString::fromStdString(Path(name)); }

    std::filesystem::path m_dir;
    std::unique_ptr<TApplication> m_app;
    QStringList m_messages;
    QStringList m_captions;
    QStringList m_urls;
    // Questions asked (unsaved changes) and the answer each one gets.
    QStringList m_questions;
    QMessageBox::StandardButton m_answer = QMessageBox::Discard;
    static inline int s_count = 0;
};
