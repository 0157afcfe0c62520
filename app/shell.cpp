#include "app/shell.h"

#include <QDesktopServices>
#include <QUrl>
#include <exception>

#include "app/getlang.h"
#include "platform/com/variant.h"

namespace {

MessageBoxHook& MessageHook()
{
    static MessageBoxHook hook;
    return hook;
}

OpenUrlHook& UrlHook()
{
    static OpenUrlHook hook;
    return hook;
}

QuestionHook& AskHook()
{
    static QuestionHook hook;
    return hook;
}

} // namespace

QMessageBox::StandardButton AskQuestion(QWidget* parent, const QString& text, const QString& caption,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    if (AskHook())
        return AskHook()(text, caption, buttons);
    QMessageBox box(QMessageBox::Question, caption, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

QuestionHook SetQuestionHook(QuestionHook hook) { return std::exchange(AskHook(), std::move(hook)); }

void ShowMessageBox(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon)
{
    if (MessageHook()) {
        MessageHook()(text, caption, icon);
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool OpenUrl(const QString& url)
{
    if (UrlHook())
        return UrlHook()(url);
    return QDesktopServices::openUrl(QUrl(url));
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) { return std::exchange(MessageHook(), std::move(hook)); }

OpenUrlHook SetOpenUrlHook(OpenUrlHook hook) { return std::exchange(UrlHook(), std::move(hook)); }

bool RunCommand(QWidget* parent, const std::function<void()>& command)
{
    QString message;
    try {
        command();
        return true;
    } catch (const DispatchError& error) {
        message = QString::fromUtf8(error.Description().empty() ? DescribeStatus(error.Status()) : error.Description());
    } catch (const std::exception& error) {
        message = QString::fromUtf8(error.what());
    }
    ShowMessageBox(parent, message, TGetLang::GetLangText("Error", "Fehler"), QMessageBox::Critical);
    return false;
}
