// Keeping the user's work: the question before a changed document is
// left, the plain save of a named document, a new document, and the list
// of recent documents in the File menu.
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>

#include "app/form1.h"
#include "app/shell.h"

namespace {

QString T(const char* english, const char* german) { return TGetLang::GetLangText(english, german); }

} // namespace

bool TForm1::HasDocumentName() const
{
    return !FFileName.isEmpty() && QFileInfo(FFileName).fileName() != QLatin1String(NoName);
}

bool TForm1::QueryKeepWork()
{
    if (!FModified)
        return true;
    const QString name = HasDocumentName() ? QFileInfo(FFileName).fileName() : QString::fromLatin1(NoName);
    const auto answer = AskQuestion(this,
                                    T("The barcode %1 has been changed. Save the changes?",
                                      "Der Barcode %1 wurde geändert. Änderungen speichern?")
                                        .arg(name),
                                    QString::fromLatin1(kApplicationTitle),
                                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Discard)
        return true;
    if (answer != QMessageBox::Save)
        return false;
    SaveNamed1Click();
    // Saved, or the save was cancelled or failed: then the work is kept.
    return !FModified;
}

void TForm1::SaveNamed1Click()
{
    if (HasDocumentName())
        SaveSettings(FFileName);
    else
        SaveButtonClick();
}

void TForm1::New1Click()
{
    if (!QueryKeepWork())
        return;
    // A new document: the default barcode in the current presentation
    // (colours, font, margins and size stay as they are).
    Barcode1->SetTypeName(QStringLiteral("EAN 13"));
    Barcode1->SetText(QStringLiteral("123456789012"));
    Code->setText(Barcode1->Text());
    FFileName = QString::fromLatin1(NoName);
    FModified = false;
    UpdateStatus();
}

void TForm1::OpenRecentFile(const QString& fileName)
{
    if (!QueryKeepWork())
        return;
    if (!QFileInfo(fileName).isFile()) {
        // Gone since: say so, and drop it from the list.
        FRecentFiles.removeAll(fileName);
        UpdateRecentMenu();
    }
    OpenDocument(fileName);
}

void TForm1::AddRecentFile(const QString& fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    FRecentFiles.removeAll(path);
    FRecentFiles.prepend(path);
    while (FRecentFiles.size() > MaxRecentFiles)
        FRecentFiles.removeLast();
    UpdateRecentMenu();
}

void TForm1::UpdateRecentMenu()
{
    if (!RecentFiles1)
        return;
    RecentFiles1->clear();
    for (int i = 0; i < FRecentFiles.size(); ++i) {
        const QString path = FRecentFiles[i];
        QString name = QFileInfo(path).fileName();
        name.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* item = RecentFiles1->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        item->setObjectName(QStringLiteral("RecentFile%1").arg(i + 1));
        item->setToolTip(path);
        item->setStatusTip(path);
        connect(item, &QAction::triggered, this, [this, path] { RunCommand(this, [&] { OpenRecentFile(path); }); });
    }
    RecentFiles1->setToolTipsVisible(true);
    if (FRecentFiles.isEmpty()) {
        QAction* none = RecentFiles1->addAction(T("(no documents yet)", "(noch keine Dokumente)"));
        none->setEnabled(false);
    }
}

void TForm1::CenterPreview1Click()
{
    BarcodeArea->SetCentred(CenterPreview1->isChecked());
    ApplyLayout();
}
