// Barcode documents and the settings file: one profile format, written by
// SaveSettings and read by LoadSettings.
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <functional>

#include "app/form1.h"
#include "app/shell.h"
#include "platform/com/variant.h"
#include "platform/profile/profile.h"

namespace {

QString T(const char* english, const char* german) { return TGetLang::GetLangText(english, german); }

// Leaves the value unchanged when a default is kept for a border.
constexpr int32_t kKeepBorder = 989799;

// A whole number as documents hold it: decimal, or hexadecimal after "$",
// "0x" or "0X"; anything else is not a number.
std::optional<int32_t> ParseProfileNumber(const std::string& text)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    int64_t magnitude = 0;
    const int64_t limit = base == 16 ? 0xFFFFFFFFll : (negative ? 0x80000000ll : 0x7FFFFFFFll);
    for (; i < text.size(); ++i) {
        const char c = char(std::tolower(static_cast<unsigned char>(text[i])));
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    // Hexadecimal spells the 32 bits of the value ($FFFFFFFF is -1).
    const int64_t value = base == 16 ? int64_t(int32_t(uint32_t(magnitude))) : magnitude;
    return int32_t(negative ? -value : value);
}

class TSettingsReader {
public:
    explicit TSettingsReader(const std::string& file) : m_profile(file) {}

    int32_t Int(const char* section, const char* key, int32_t defaultValue) const
    {
        const auto text = m_profile.Get(section, key);
        if (!text)
            return defaultValue;
        return ParseProfileNumber(*text).value_or(defaultValue);
    }
    bool Bool(const char* section, const char* key, bool defaultValue) const
    {
        return Int(section, key, defaultValue ? 1 : 0) != 0;
    }
    QString String(const char* section, const char* key, const QString& defaultValue) const
    {
        const auto text = m_profile.Get(section, key);
        return text ? QString::fromUtf8(text->data(), qsizetype(text->size())) : defaultValue;
    }

private:
    CProfile m_profile;
};

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

// A value the control refuses is its own business (it may say so through
// its site); loading goes on with the next key.
void Apply(const std::function<void()>& step)
{
    try {
        step();
    } catch (const DispatchError&) {
    }
}

} // namespace

void TForm1::LoadSettings(const QString& fileName)
{
    const bool isSettings = fileName == QLatin1String(SettingsFile);
    const TSettingsReader file(Utf8(fileName));
    FFileName = isSettings ? QString::fromLatin1(NoName) : fileName;
    TBarcode& b = *Barcode1;

    Apply([&] { b.SetText(file.String("BARCODE", "Text", QStringLiteral("123456789012"))); });
    Apply([&] { b.SetTypeName(file.String("BARCODE", "Type", QStringLiteral("EAN 13"))); });
    Apply([&] { b.SetShowText(file.Bool("BARCODE", "ShowText", b.ShowText())); });
    FShowText = b.ShowText();
    Apply([&] { b.SetRotate(file.Int("BARCODE", "Rotate", 0)); });
    Apply([&] { b.SetNotchHeightInPercent(file.Int("BARCODE", "NotchHeight", 0)); });
    if (const int32_t height = file.Int("BARCODE", "BorderHeight", kKeepBorder); height != kKeepBorder)
        Apply([&] { b.SetBorderheight(height); });
    if (const int32_t width = file.Int("BARCODE", "BorderWidth", kKeepBorder); width != kKeepBorder)
        Apply([&] { b.SetBorderwidth(width); });
    Apply([&] { b.SetForeColor(uint32_t(file.Int("COLOR", "Fore", int32_t(b.ForeColor())))); });
    Apply([&] { b.SetBackColor(uint32_t(file.Int("COLOR", "Back", int32_t(b.BackColor())))); });

    // The font changes one property at a time, each reaching the control;
    // the size comes after the height and so decides it.
    const std::function<void(TFont&)> fontSteps[] = {
        [&](TFont& f) { f.Charset = file.Int("FONT", "Charset", f.Charset); },
        [&](TFont& f) { f.Color = file.Int("FONT", "Color", f.Color); },
        [&](TFont& f) { f.SetHeight(file.Int("FONT", "Height", f.Height())); },
        [&](TFont& f) { f.Pitch = file.Int("FONT", "Pitch", f.Pitch); },
        [&](TFont& f) { f.Size = file.Int("FONT", "Size", f.Size); },
        [&](TFont& f) { f.Style = file.Int("FONT", "Style", f.Style); },
        [&](TFont& f) { f.Name = file.String("FONT", "Name", f.Name); },
    };
    for (const auto& step : fontSteps)
        Apply([&] {
            TFont font = b.Font();
            step(font);
            b.SetFont(font);
        });

    FFixedBitmapSize = file.Bool("SIZE", "FixedBitmapSize", false);
    if (!FFixedBitmapSize) {
        const int height = file.Int("SIZE", "Height", b.height());
        const int width = file.Int("SIZE", "Width", b.width());
        FitWindowToBarcode(width, height);
    }
    FBitmapWidth = file.Int("SIZE", "BitmapWidth", 640);
    FBitmapHeight = file.Int("SIZE", "BitmapHeight", 450);
    const bool firstRun = file.Bool("MISC", "FirstRun", true);

    Code->setText(b.Text());
    UpdateRotateMenu();
    UpdateColorIcons();
    UpdateStatus();
    ApplyLayout();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    if (firstRun && isSettings) {
        const QString site = QString::fromLatin1(TessalineAddress::Site);
        ShowMessageBox(
            this,
            T("Please note that the \"Tessaline Package\" also includes an ActiveX control beside this application. "
              "This control is more flexible and powerful in usage (e.g. when using Office software) than this "
              "application. More info can be found at our homepage ",
              "Bitte beachten Sie, dass in dem \"Tessaline Paket\" neben dieser Anwendung auch ein ActiveX Control "
              "enthalten ist, der weitaus flexibler und leistungsfähiger in seiner Anwendung (z.B. innerhalb von "
              "Office Software) ist. Weitere Informationen finden Sie u.a. unter ") +
                site,
            T("First use of the Tessaline application", "Erster Start der Tessaline Anwendung"),
            QMessageBox::Information);
    }
}

bool TForm1::SaveSettings(const QString& fileName)
{
    TBarcode& b = *Barcode1;
    const std::string file = Utf8(fileName);
    // The whole file is written at once and replaces the old one only when
    // complete: a failure leaves the previous file as it was.
    CProfile profile(file);
    const auto setBool = [&](const char* section, const char* key, bool value) {
        profile.Set(section, key, value ? "1" : "0");
    };
    const TFont font = b.Font();
    profile.Set("BARCODE", "Text", Utf8(b.Text()));
    profile.Set("BARCODE", "Type", Utf8(b.TypeName()));
    setBool("BARCODE", "ShowText", b.ShowText());
    profile.SetInt("BARCODE", "Rotate", b.Rotate());
    profile.SetInt("BARCODE", "NotchHeight", b.NotchHeightInPercent());
    profile.SetInt("BARCODE", "BorderHeight", b.Borderheight());
    profile.SetInt("BARCODE", "BorderWidth", b.Borderwidth());
    profile.SetInt("COLOR", "Fore", int32_t(b.ForeColor()));
    profile.SetInt("COLOR", "Back", int32_t(b.BackColor()));
    profile.SetInt("FONT", "Charset", font.Charset);
    profile.SetInt("FONT", "Color", font.Color);
    profile.SetInt("FONT", "Height", font.Height());
    profile.SetInt("FONT", "Pitch", font.Pitch);
    profile.SetInt("FONT", "Size", font.Size);
    profile.SetInt("FONT", "Style", font.Style);
    profile.Set("FONT", "Name", Utf8(font.Name));
    profile.SetInt("SIZE", "Height", b.height());
    profile.SetInt("SIZE", "Width", b.width());
    profile.SetInt("SIZE", "BitmapHeight", FBitmapHeight);
    profile.SetInt("SIZE", "BitmapWidth", FBitmapWidth);
    setBool("SIZE", "FixedBitmapSize", FFixedBitmapSize);
    profile.Set("MISC", "FirstRun", "0");
    if (!profile.SaveAs(file)) {
        ShowMessageBox(this,
                       T("Cannot write to %1", "nach %1 kann nicht geschrieben werden")
                           .arg(QString::fromStdString(CProfile::ResolvePath(file))),
                       T("Error", "Fehler"), QMessageBox::Critical);
        return false;
    }
    FFileName = fileName;
    UpdateStatus();
    return true;
}

void TForm1::OpenDocument(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (info.isFile())
        LoadSettings(info.absoluteFilePath());
    else
        ShowMessageBox(this, T("The file %1 was not found.", "Die Datei %1 wurde nicht gefunden.").arg(fileName),
                       T("Error", "Fehler"), QMessageBox::Warning);
    UpdateStatus();
}

bool TForm1::SaveDocument(const QString& fileName)
{
    QString name = fileName;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".bar");
    return SaveSettings(QFileInfo(name).absoluteFilePath());
}

void TForm1::OpenButtonClick()
{
    QFileDialog dialog(this, T("Open barcode", "Barcode öffnen"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Quenby Files (*.bar *.BAR)"));
    dialog.setDirectory(QFileInfo(FFileName.isEmpty() ? QStringLiteral(".") : FFileName).absolutePath());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        OpenDocument(dialog.selectedFiles().constFirst());
    UpdateStatus();
}

void TForm1::SaveButtonClick()
{
    QFileDialog dialog(this, T("Save barcode file", "Barcodedatei speichern"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("Quenby Files (*.bar)"));
    const QFileInfo current(FFileName.isEmpty() ? QString::fromLatin1(NoName) : FFileName);
    dialog.setDirectory(current.absolutePath());
    dialog.selectFile(current.fileName());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        SaveDocument(dialog.selectedFiles().constFirst());
}
