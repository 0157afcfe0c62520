// TBarcodeInfo: every property of the current barcode, read-only.
#pragma once

#include <QDialog>
#include <vector>

class QGroupBox;
class QLabel;
class QPushButton;
class TBarcode;

class TBarcodeInfo : public QDialog {
    Q_OBJECT

public:
    explicit TBarcodeInfo(QWidget* parent = nullptr);

    // Captions and the yes and no words in the current language.
    void SetTexts();
    void SetBarcode(TBarcode* barcode) { m_barcode = barcode; }
    // Fills the value labels from the control (done on every showing).
    void FillValues();

    QGroupBox* Group1 = nullptr;
    QGroupBox* Group2 = nullptr;
    QGroupBox* Group3 = nullptr;
    QGroupBox* Group4 = nullptr;
    QLabel* Type_data = nullptr;
    QLabel* text_data = nullptr;
    QLabel* Checksum_data = nullptr;
    QLabel* isvalid_data = nullptr;
    QLabel* Gs1_data = nullptr; // the GS1 verdict of an element string
    QLabel* TypeNr_data = nullptr;
    QLabel* BorderWidth_data = nullptr;
    QLabel* Borderheight_data = nullptr;
    QLabel* Notch_data = nullptr;
    QLabel* MaxBorderWidth_data = nullptr;
    QLabel* MaxBorderheight_data = nullptr;
    QLabel* Rotate_data = nullptr;
    QLabel* IsSizeOk_data = nullptr;
    QLabel* Width_data = nullptr;
    QLabel* Height_data = nullptr;
    QLabel* ForeColor_data = nullptr;
    QLabel* Backcolor_data = nullptr;
    QLabel* Fontname_data = nullptr;
    QLabel* FontSize_data = nullptr;
    QLabel* FontBold_data = nullptr;
    QLabel* FontItalic_data = nullptr;
    QLabel* FontUnderline_data = nullptr;
    QLabel* FontStrikeout_data = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Row {
        QLabel* caption;
        QLabel* value;
        const char* english;
        const char* german;
    };
    QString YesNo(bool value) const { return value ? m_yes : m_no; }

    TBarcode* m_barcode = nullptr;
    QString m_yes, m_no;
    std::vector<Row> m_rows;
};
