// TInfoDialog: the about box, with the versions, the product's web and
// mail addresses, and the report of a control that cannot be created.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TInfoDialog : public QDialog {
    Q_OBJECT

public:
    // `controlMissing`: the barcode control could not be created at start.
    explicit TInfoDialog(bool controlMissing, QWidget* parent = nullptr);

    void SetTexts();
    void SetControlVersion(const QString& version);
    bool ControlMissing() const { return m_controlMissing; }
    // The mail address with the subject naming both versions.
    QString MailAddress() const;

    QWidget* Strip = nullptr;
    QLabel* AppName = nullptr;
    QLabel* VersionCaption = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* ControlCaption = nullptr;
    QLabel* ControlVersion = nullptr;
    QLabel* URLcom = nullptr;
    QLabel* URLde = nullptr;
    QLabel* EmailCaption = nullptr;
    QLabel* Email = nullptr;
    QLabel* Missing = nullptr;
    QPushButton* Button1 = nullptr;

    void URLcomClick();
    void URLdeClick();
    // The e-mail action: a new message to the product's address.
    void EmailClick();
    void Button1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Hover highlight: the label under the mouse blue, the others black.
    void Highlight(QLabel* hovered);

    bool m_controlMissing;
};
