#include "files/ui/TfrmScope.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kv {

TfrmScope::TfrmScope(const QString &caption, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , radAll(new QRadioButton(QStringLiteral("&All"), this))
    , radSelect(new QRadioButton(QStringLiteral("&Select"), this))
    , edtFrom(new QLineEdit(this))
    , edtTo(new QLineEdit(this))
{
    setObjectName(QStringLiteral("TfrmScope"));
    setWindowTitle(caption);
    radAll->setObjectName(QStringLiteral("radAll"));
    radSelect->setObjectName(QStringLiteral("radNo"));
    edtFrom->setObjectName(QStringLiteral("edtSelFrom"));
    edtTo->setObjectName(QStringLiteral("edtSelTo"));
    radAll->setChecked(true);

    auto *fromLabel = new QLabel(QStringLiteral("&from"), this);
    auto *toLabel = new QLabel(QStringLiteral("&to"), this);
    fromLabel->setBuddy(edtFrom);
    toLabel->setBuddy(edtTo);
    auto *fields = new QFormLayout;
    fields->addRow(fromLabel, edtFrom);
    fields->addRow(toLabel, edtTo);
    auto *group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setAccessibleName(QStringLiteral("Range"));
    auto *select = new QVBoxLayout(group);
    select->addWidget(radAll);
    select->addWidget(radSelect);
    select->addLayout(fields);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BitBtn1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BitBtn2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Typing a bound chooses a selection.
    for (QLineEdit *e : {edtFrom, edtTo})
        connect(e, &QLineEdit::textEdited, this, [this] { radSelect->setChecked(true); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    setMinimumWidth(260);
}

void TfrmScope::setAnswer(const Prompt::RangeAnswer &answer)
{
    radAll->setChecked(answer.all);
    radSelect->setChecked(!answer.all);
    edtFrom->setText(answer.fromText);
    edtTo->setText(answer.toText);
}

Prompt::RangeAnswer TfrmScope::answer() const
{
    return {radAll->isChecked(), edtFrom->text(), edtTo->text()};
}

} // namespace kv
