// TLayoutDialog: borders, notch height and the barcode's size mode, with a
// live preview of the margins and the notch on the control; and
// ParseNumber, the tolerant number reading of its size edits.
#pragma once

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QDoubleSpinBox;
class QSpinBox;
class TBarcode;

// Reads a whole number from free input: blanks are removed, then the
// character at which reading stops is deleted until the rest reads as a
// decimal (or "$" hexadecimal) number; nothing left gives 0.
int32_t ParseNumber(const QString& text);

class TLayoutDialog : public QDialog {
    Q_OBJECT

public:
    explicit TLayoutDialog(QWidget* parent = nullptr);

    // Set before each showing: the control to preview on and the status
    // panel that shows whether the symbol fits.
    TBarcode* Barcode = nullptr;
    QLabel* SizePanel = nullptr;

    // Captions in the current language.
    void SetTexts();
    // The control's size when the dialog opens (taken over by Button3).
    void SetCurrentSize(int width, int height);
    // True after OK, false after Cancel; other ways of closing keep it.
    bool Result() const { return m_result; }

    QWidget* Panel1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QScrollBar* BHeight = nullptr;
    QScrollBar* BWidth = nullptr;
    QScrollBar* NProzent = nullptr;
    QLabel* LabelH = nullptr;
    QLabel* LabelW = nullptr;
    QLabel* LabelP = nullptr;
    QLabel* MinH = nullptr;
    QLabel* MaxH = nullptr;
    QLabel* CurrentH = nullptr;
    QLabel* MinB = nullptr;
    QLabel* MaxW = nullptr;
    QLabel* CurrentW = nullptr;
    QLabel* MinP = nullptr;
    QLabel* MaxP = nullptr;
    QLabel* CurrentP = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QRadioButton* RadioWindow = nullptr;
    QRadioButton* RadioCustom = nullptr;
    QLineEdit* EditX = nullptr;
    QLineEdit* EditY = nullptr;
    QPushButton* Button3 = nullptr;
    // The fixed size in millimetres at a resolution, beside the pixels:
    // either side may be edited, the pixels stay what is stored.
    QDoubleSpinBox* EditMMX = nullptr;
    QDoubleSpinBox* EditMMY = nullptr;
    QSpinBox* EditDpi = nullptr;
    QLabel* LabelMM = nullptr;
    QLabel* LabelDpi = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* CancelButton = nullptr;

    void BHeightChange();
    void BWidthChange();
    void NProzentChange();
    void RadioWindowClick();
    void RadioCustomClick();
    void Button3Click();
    void Button1Click();
    void CancelButtonClick();

private:
    void ShowSizeState();
    // Millimetres from the pixel edits, and pixel edits from millimetres.
    void PixelsToMM();
    void MMToPixels(QDoubleSpinBox* edited);
    bool m_syncing = false;

    int m_width = 0;
    int m_height = 0;
    bool m_result = false;
};
