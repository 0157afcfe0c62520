// TTypeSelect: picks the symbology from a list, optionally with a valid
// sample text for it.
#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QListWidget;
class QPushButton;

class TTypeSelect : public QDialog {
    Q_OBJECT

public:
    explicit TTypeSelect(QWidget* parent = nullptr);

    // Captions in the current language.
    void SetTexts();
    // The entries of the main window's type list, `current` selected.
    void Fill(const QStringList& names, const QString& current);
    // The selected entry ("" when none).
    QString SelectedType() const;
    // True at creation and after Cancel, false after OK or a double click;
    // other ways of closing keep the result of the previous use.
    bool Cancelled() const { return m_cancelled; }

    QListWidget* ListBox1 = nullptr;
    QPushButton* Ok = nullptr;
    QPushButton* Cancel = nullptr;
    QCheckBox* AutoDemoText = nullptr;

    void OkClick();
    void CancelClick();
    void ListBox1DblClick();

protected:
    // Each opening starts in the list: typing searches it, and Space
    // selects instead of pressing a button.
    void showEvent(QShowEvent* event) override;

private:
    bool m_cancelled = true;
};
