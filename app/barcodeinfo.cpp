#include "app/barcodeinfo.h"

#include <QStringList>

#include "control/gs1/gs1.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/barcode.h"
#include "app/getlang.h"

TBarcodeInfo::TBarcodeInfo(QWidget* parent) : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("BarcodeInfo"));
    setModal(true);
    const struct {
        QLabel** value;
        const char* name;
        int group;
        const char* english;
        const char* german;
    } rows[] = {
        {&Type_data, "Type_data", 1, "Type:", "Typ:"},
        {&text_data, "text_data", 1, "Text:", "Text:"},
        {&Checksum_data, "Checksum_data", 1, "Check digit:", "Prüfsumme:"},
        {&isvalid_data, "isvalid_data", 1, "Valid:", "Gültig:"},
        {&Gs1_data, "Gs1_data", 1, "GS1 rules:", "GS1-Regeln:"},
        {&TypeNr_data, "TypeNr_data", 1, "Type number:", "Typnummer:"},
        {&BorderWidth_data, "BorderWidth_data", 2, "Border width:", "Randbreite:"},
        {&Borderheight_data, "Borderheight_data", 2, "Border height:", "Randhöhe:"},
        {&Notch_data, "Notch_data", 2, "Notch height:", "Notch-Höhe:"},
        {&MaxBorderWidth_data, "MaxBorderWidth_data", 2, "Max. border width:", "Max. Randbreite:"},
        {&MaxBorderheight_data, "MaxBorderheight_data", 2, "Max. border height:", "Max. Randhöhe:"},
        {&Rotate_data, "Rotate_data", 2, "Rotation:", "Drehung:"},
        {&IsSizeOk_data, "IsSizeOk_data", 2, "Size fits:", "Größe passt:"},
        {&Width_data, "Width_data", 2, "Width:", "Breite:"},
        {&Height_data, "Height_data", 2, "Height:", "Höhe:"},
        {&ForeColor_data, "ForeColor_data", 3, "Foreground:", "Vordergrund:"},
        {&Backcolor_data, "Backcolor_data", 3, "Background:", "Hintergrund:"},
        {&Fontname_data, "Fontname_data", 4, "Name:", "Name:"},
        {&FontSize_data, "FontSize_data", 4, "Size:", "Größe:"},
        {&FontBold_data, "FontBold_data", 4, "Bold:", "Fett:"},
        {&FontItalic_data, "FontItalic_data", 4, "Italic:", "Kursiv:"},
        {&FontUnderline_data, "FontUnderline_data", 4, "Underline:", "Unterstrichen:"},
        {&FontStrikeout_data, "FontStrikeout_data", 4, "Strike-out:", "Durchgestrichen:"},
    };
    QGroupBox** groups[] = {&Group1, &Group2, &Group3, &Group4};
    QFormLayout* forms[4];
    for (int i = 0; i < 4; ++i) {
        *groups[i] = new QGroupBox(this);
        (*groups[i])->setObjectName(QStringLiteral("Group%1").arg(i + 1));
        forms[i] = new QFormLayout(*groups[i]);
        forms[i]->setVerticalSpacing(2);
        forms[i]->setLabelAlignment(Qt::AlignLeft);
    }
    for (const auto& row : rows) {
        QGroupBox* group = *groups[row.group - 1];
        auto* caption = new QLabel(group);
        auto* value = new QLabel(group);
        value->setObjectName(QString::fromLatin1(row.name));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (row.group == 3) {
            // Colour panels: a small framed swatch.
            value->setFixedSize(48, 16);
            value->setFrameStyle(QFrame::Box | QFrame::Plain);
            value->setAutoFillBackground(true);
        }
        forms[row.group - 1]->addRow(caption, value);
        *row.value = value;
        m_rows.push_back({caption, value, row.english, row.german});
    }
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto* left = new QVBoxLayout;
    left->addWidget(Group1);
    left->addWidget(Group3);
    left->addWidget(Group4);
    auto* right = new QVBoxLayout;
    right->addWidget(Group2);
    right->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right, 1);
    SetTexts();
    resize(349, 321);
}

void TBarcodeInfo::SetTexts()
{
    setWindowTitle(TGetLang::GetLangText("Barcode information", "Barcode-Information"));
    m_yes = TGetLang::GetLangText("yes", "ja");
    m_no = TGetLang::GetLangText("no", "nein");
    Group1->setTitle(TGetLang::GetLangText("Content", "Inhalt"));
    Group2->setTitle(TGetLang::GetLangText("Layout", "Layout"));
    Group3->setTitle(TGetLang::GetLangText("Colour", "Farbe"));
    Group4->setTitle(TGetLang::GetLangText("Font", "Schrift"));
    for (const Row& row : m_rows)
        row.caption->setText(TGetLang::GetLangText(row.english, row.german));
}

void TBarcodeInfo::showEvent(QShowEvent* event)
{
    FillValues();
    QDialog::showEvent(event);
}

void TBarcodeInfo::FillValues()
{
    if (!m_barcode)
        return;
    TBarcode& b = *m_barcode;
    Type_data->setText(b.TypeName());
    TypeNr_data->setText(QString::number(b.Type()));
    text_data->setText(b.Text());
    Rotate_data->setText(QString::number(b.Rotate()));
    isvalid_data->setText(YesNo(b.IsValid()));
    if (IsGs1Type(b.Type())) {
        const CGs1Verdict gs1 = Gs1Check(b.Type(), b.Text().toStdString());
        QStringList errors;
        for (const std::string& e : gs1.errors) errors << QString::fromStdString(e);
        Gs1_data->setText(gs1.valid ? TGetLang::GetLangText("kept", "eingehalten") : errors.join(QLatin1Char('\n')));
    } else {
        Gs1_data->setText(QStringLiteral("-"));
    }
    IsSizeOk_data->setText(YesNo(b.IsSizeOk()));
    const int checksum = b.Checksum();
    Checksum_data->setText(checksum == -1 ? m_no : QString::number(checksum));
    for (auto [label, color] : {std::pair{ForeColor_data, b.ForeColor()}, std::pair{Backcolor_data, b.BackColor()}}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, TBarcode::ToQColor(color));
        label->setPalette(palette);
    }
    const TFont font = b.Font();
    Fontname_data->setText(font.Name);
    FontSize_data->setText(QString::number(font.Size));
    FontBold_data->setText(YesNo(font.Style & TFont::fsBold));
    FontItalic_data->setText(YesNo(font.Style & TFont::fsItalic));
    FontUnderline_data->setText(YesNo(font.Style & TFont::fsUnderline));
    FontStrikeout_data->setText(YesNo(font.Style & TFont::fsStrikeOut));
    Width_data->setText(QString::number(b.width()));
    Height_data->setText(QString::number(b.height()));
    BorderWidth_data->setText(QString::number(b.Borderwidth()));
    Borderheight_data->setText(QString::number(b.Borderheight()));
    MaxBorderWidth_data->setText(QString::number(b.MaxBorderwidth()));
    MaxBorderheight_data->setText(QString::number(b.MaxBorderheight()));
    Notch_data->setText(QString::number(b.NotchHeightInPercent()));
}
