// The application's few ways out to the desktop: message boxes, web and
// mail addresses, and the general error handling that turns a failed
// command into a message box. Tests replace the hooks to answer them.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

using MessageBoxHook = std::function<void(const QString& text, const QString& caption, QMessageBox::Icon icon)>;
using OpenUrlHook = std::function<bool(const QString& url)>;
using QuestionHook = std::function<QMessageBox::StandardButton(const QString& text, const QString& caption,
                                                               QMessageBox::StandardButtons buttons)>;

// A modal message box with an OK button (or the hook's answer).
void ShowMessageBox(QWidget* parent, const QString& text, const QString& caption,
                    QMessageBox::Icon icon = QMessageBox::Information);
// A modal question with `buttons`; the button chosen (or the hook's
// answer). Closing the box counts as its escape button.
QMessageBox::StandardButton AskQuestion(QWidget* parent, const QString& text, const QString& caption,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton);
// Opens a web or mail address with the desktop's handler.
bool OpenUrl(const QString& url);

// Installs a hook; an empty function restores the real behaviour. Each
// returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
OpenUrlHook SetOpenUrlHook(OpenUrlHook hook);
QuestionHook SetQuestionHook(QuestionHook hook);

// Runs a command; a failure (any exception) is shown in a message box
// captioned with the word for error, and the rest of the command is
// skipped. Returns false when the command failed.
bool RunCommand(QWidget* parent, const std::function<void()>& command);

// The product's addresses: web pages in English and German, and mail.
namespace TessalineAddress {
inline constexpr const char* HomeEn = "https://tessaline.org/";
inline constexpr const char* HomeDe = "https://tessaline.org/de/";
inline constexpr const char* DownloadEn = "https://tessaline.org/download/";
inline constexpr const char* DownloadDe = "https://tessaline.org/de/download/";
inline constexpr const char* ForumEn = "https://tessaline.org/forum/";
inline constexpr const char* ForumDe = "https://tessaline.org/de/forum/";
inline constexpr const char* ShopEn = "https://tessaline.org/shop/";
inline constexpr const char* ShopDe = "https://tessaline.org/de/shop/";
inline constexpr const char* Site = "www.tessaline.org";
inline constexpr const char* SiteDe = "www.tessaline.org/de";
inline constexpr const char* Mail = "info@tessaline.org";
} // namespace TessalineAddress

// The application's version label.
inline constexpr const char* kApplicationVersion = "5.13";
inline constexpr const char* kApplicationTitle = "Tessaline Application";
