#include "app/typeselect.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/getlang.h"

TTypeSelect::TTypeSelect(QWidget* parent) : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("TypeSelect"));
    setModal(true);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    AutoDemoText = new QCheckBox(this);
    AutoDemoText->setObjectName(QStringLiteral("AutoDemoText"));
    AutoDemoText->setChecked(true);
    Ok = new QPushButton(QStringLiteral("OK"), this);
    Ok->setObjectName(QStringLiteral("Ok"));
    Ok->setDefault(true);
    Cancel = new QPushButton(this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    connect(Ok, &QPushButton::clicked, this, &TTypeSelect::OkClick);
    connect(Cancel, &QPushButton::clicked, this, &TTypeSelect::CancelClick);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &TTypeSelect::ListBox1DblClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Ok);
    buttons->addWidget(Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBox1, 1);
    layout->addWidget(AutoDemoText);
    layout->addLayout(buttons);
    SetTexts();
    resize(230, 340);
}

void TTypeSelect::SetTexts()
{
    setWindowTitle(TGetLang::GetLangText("Select barcode type", "Barcode Typ auswählen"));
    AutoDemoText->setText(TGetLang::GetLangText("Set demo text", "Beispieltext"));
    Cancel->setText(TGetLang::GetLangText("Cancel", "Abbrechen"));
}

void TTypeSelect::Fill(const QStringList& names, const QString& current)
{
    ListBox1->clear();
    ListBox1->addItems(names);
    // Every entry is searched, the last one included.
    ListBox1->setCurrentRow(int(names.indexOf(current)));
    if (QListWidgetItem* item = ListBox1->currentItem())
        ListBox1->scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

QString TTypeSelect::SelectedType() const
{
    const QListWidgetItem* item = ListBox1->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void TTypeSelect::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ListBox1->setFocus(Qt::ActiveWindowFocusReason);
}

void TTypeSelect::OkClick()
{
    m_cancelled = false;
    accept();
}

void TTypeSelect::CancelClick()
{
    m_cancelled = true;
    reject();
}

void TTypeSelect::ListBox1DblClick()
{
    m_cancelled = false;
    accept();
}
