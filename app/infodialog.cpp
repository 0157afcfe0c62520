#include "app/infodialog.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/getlang.h"
#include "app/shell.h"

namespace {

// The picture strip on the left: a tall barcode on a blue ground.
class TStrip : public QWidget {
public:
    explicit TStrip(QWidget* parent) : QWidget(parent) { setFixedWidth(64); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QLinearGradient ground(0, 0, 0, height());
        ground.setColorAt(0, QColor(33, 110, 200));
        ground.setColorAt(1, QColor(18, 52, 110));
        p.fillRect(rect(), ground);
        static constexpr int kWidths[] = {2, 1, 1, 3, 1, 2, 2, 1, 3, 1, 1, 2, 1, 1, 2, 3, 1, 1, 2, 1, 1, 2, 3, 1};
        const QRect area(14, 16, width() - 28, height() - 32);
        p.fillRect(area.adjusted(-4, -4, 4, 4), Qt::white);
        int y = area.top();
        bool bar = true;
        for (int w : kWidths) {
            const int h = w * area.height() / 38;
            if (bar)
                p.fillRect(QRect(area.left(), y, area.width(), h), QColor(20, 20, 20));
            y += h;
            bar = !bar;
        }
    }
};

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text = QString())
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

TInfoDialog::TInfoDialog(bool controlMissing, QWidget* parent)
    : QDialog(parent, (parent ? Qt::Tool : Qt::Dialog) | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_controlMissing(controlMissing)
{
    setObjectName(QStringLiteral("InfoDialog"));
    setModal(true);
    setMouseTracking(true);

    Strip = new TStrip(this);
    AppName = NewLabel(this, "AppName", QString::fromLatin1(kApplicationTitle));
    QFont big = AppName->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    AppName->setFont(big);
    VersionCaption = NewLabel(this, "VersionCaption");
    Label1 = NewLabel(this, "Label1", QString::fromLatin1(kApplicationVersion));
    ControlCaption = NewLabel(this, "ControlCaption");
    ControlVersion = NewLabel(this, "ControlVersion", QString::fromLatin1(kApplicationVersion));
    URLcom = NewLabel(this, "URLcom", QString::fromLatin1(TessalineAddress::Site));
    URLde = NewLabel(this, "URLde", QString::fromLatin1(TessalineAddress::SiteDe));
    EmailCaption = NewLabel(this, "EmailCaption", QStringLiteral("E-Mail:"));
    Email = NewLabel(this, "Email", QString::fromLatin1(TessalineAddress::Mail));
    for (QLabel* link : {URLcom, URLde, Email}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setMouseTracking(true);
        link->installEventFilter(this);
        QFont font = link->font();
        font.setUnderline(true);
        link->setFont(font);
    }
    Missing = NewLabel(this, "Missing");
    Missing->setWordWrap(true);
    Missing->setStyleSheet(QStringLiteral("color: #b00000;"));
    Missing->setVisible(controlMissing);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TInfoDialog::Button1Click);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(6);
    grid->addWidget(AppName, 0, 0, 1, 2);
    grid->addWidget(VersionCaption, 1, 0);
    grid->addWidget(Label1, 1, 1);
    grid->addWidget(ControlCaption, 2, 0);
    grid->addWidget(ControlVersion, 2, 1);
    grid->setRowMinimumHeight(3, 10);
    grid->addWidget(URLcom, 4, 0, 1, 2);
    grid->addWidget(URLde, 5, 0, 1, 2);
    grid->setRowMinimumHeight(6, 10);
    grid->addWidget(EmailCaption, 7, 0);
    grid->addWidget(Email, 7, 1);
    grid->setColumnStretch(1, 1);
    auto* right = new QVBoxLayout;
    right->addLayout(grid);
    right->addSpacing(8);
    right->addWidget(Missing);
    right->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 12, 12);
    layout->addWidget(Strip);
    layout->addSpacing(8);
    auto* margin = new QVBoxLayout;
    margin->setContentsMargins(0, 12, 0, 0);
    margin->addLayout(right);
    layout->addLayout(margin, 1);
    SetTexts();
    resize(301, 295);
}

void TInfoDialog::SetTexts()
{
    setWindowTitle(TGetLang::GetLangText("About Tessaline", "Über Tessaline"));
    VersionCaption->setText(TGetLang::GetLangText("Version:", "Version:"));
    ControlCaption->setText(TGetLang::GetLangText("Control version:", "Control-Version:"));
    Missing->setText(TGetLang::GetLangText("The Tessaline control is not correctly installed on this system.",
                                           "Das Tessaline Control ist nicht korrekt auf diesem System installiert."));
}

void TInfoDialog::SetControlVersion(const QString& version) { ControlVersion->setText(version); }

void TInfoDialog::showEvent(QShowEvent* event)
{
    SetTexts();
    Highlight(nullptr);
    QDialog::showEvent(event);
}

QString TInfoDialog::MailAddress() const
{
    return QStringLiteral("mailto:%1?Subject=%2 %3 - %4")
        .arg(QString::fromLatin1(TessalineAddress::Mail), QString::fromLatin1(kApplicationTitle), Label1->text(),
             ControlVersion->text());
}

void TInfoDialog::URLcomClick() { OpenUrl(QString::fromLatin1(TessalineAddress::HomeEn)); }

void TInfoDialog::URLdeClick() { OpenUrl(QString::fromLatin1(TessalineAddress::HomeDe)); }

void TInfoDialog::EmailClick() { OpenUrl(MailAddress()); }

void TInfoDialog::Button1Click()
{
    if (m_controlMissing)
        ShowMessageBox(this,
                       TGetLang::GetLangText("Tessaline Control is not correctly installed to your system!\n"
                                             "Please run setup again.",
                                             "Das Tessaline Control ist nicht korrekt auf Ihrem System installiert!\n"
                                             "Bitte führen Sie das Setup erneut aus."),
                       TGetLang::GetLangText("Error", "Fehler"), QMessageBox::Critical);
    accept();
}

void TInfoDialog::Highlight(QLabel* hovered)
{
    for (QLabel* link : {URLcom, URLde, Email}) {
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, link == hovered ? QColor(0, 0, 255) : QColor(0, 0, 0));
        link->setPalette(palette);
    }
}

bool TInfoDialog::eventFilter(QObject* watched, QEvent* event)
{
    auto* label = qobject_cast<QLabel*>(watched);
    if (label && (label == URLcom || label == URLde || label == Email)) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
            Highlight(label);
            return event->type() == QEvent::MouseMove; // not on to the dialog's background
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            if (label == URLcom)
                URLcomClick();
            else if (label == URLde)
                URLdeClick();
            else
                EmailClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TInfoDialog::mouseMoveEvent(QMouseEvent* event)
{
    Highlight(nullptr);
    QDialog::mouseMoveEvent(event);
}
