// Test support for the Qt container: an application on the offscreen
// platform, a private registry with both libraries registered by
// tessaline-regsvr, and a way to deal with modal dialogs from a test.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/com/registry.h"

namespace qttest {

inline std::string RegistryPath()
{
    return (std::filesystem::temp_directory_path() / ("tessaline-qt-test-" + std::to_string(::getpid()) + ".ini"))
        .string();
}

// Runs tessaline-regsvr in a process of its own (the two libraries export
// entry points of the same names); its exit status.
inline int RegSvr(const std::string& args)
{
    const std::string command = std::string(TESSALINE_BINARY_DIR) + "/tessaline-regsvr -s " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string ControlLibrary() { return std::string(TESSALINE_BINARY_DIR) + "/libtessaline.so"; }
inline std::string QtLibrary() { return std::string(TESSALINE_BINARY_DIR) + "/libtessaline-qt.so"; }

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("TESSALINE_REGISTRY", RegistryPath().c_str(), 1);
        std::filesystem::remove(RegistryPath());
        ASSERT_EQ(RegSvr(ControlLibrary()), 0);
        ASSERT_EQ(RegSvr(QtLibrary()), 0);
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
        // The offscreen platform warns about every dialog it shows.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.contains(QStringLiteral("propagateSizeHints")))
                qt_message_output(type, context, message);
        });
    }
    void TearDown() override
    {
        m_app.reset();
        std::filesystem::remove(RegistryPath());
    }

private:
    int m_argc = 1;
    char m_name[16] = "qt_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

inline ::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

// Calls `inspect` with the next modal dialog once it is shown (from inside
// its event loop), then closes it if `inspect` left it open. Returns a flag
// that tells whether a dialog was seen.
inline std::shared_ptr<bool> OnNextModal(std::function<void(QWidget*)> inspect = {})
{
    auto seen = std::make_shared<bool>(false);
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, inspect, seen, ticks] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (++*ticks > 2000) { // none came: do not wait for a later one
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        *seen = true;
        if (inspect)
            inspect(modal);
        if (modal->isVisible())
            modal->close();
    });
    timer->start();
    return seen;
}

// What a message box showed.
struct Box {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Dismisses the next message box, recording it in `box`.
inline std::shared_ptr<bool> DismissNextBox(Box& box)
{
    return OnNextModal([&box](QWidget* modal) {
        if (auto* message = qobject_cast<QMessageBox*>(modal)) {
            box = {message->windowTitle(), message->text(), message->icon()};
            message->accept();
        }
    });
}

} // namespace qttest
