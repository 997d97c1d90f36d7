#include "logger/ui/TfrmChangeDateTime.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

TfrmChangeDateTime::TfrmChangeDateTime(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmChangeDateTime"));
    setWindowTitle(QStringLiteral("Change Date Time"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(QStringLiteral("Please correct the date and time "), this);
    layout->addWidget(text);

    auto *grid = new QGridLayout;
    const char *labels[6] = {"year", "month", "day", "hour", "minute", "second"};
    const char *names[6] = {"Edityear", "Editmonth", "Editday", "Edithour", "Editminute", "Editsecond"};
    QLineEdit **edits[6] = {&Edityear, &Editmonth, &Editday, &Edithour, &Editminute, &Editsecond};
    for (int i = 0; i < 6; ++i) {
        auto *label = new QLabel(QString::fromLatin1(labels[i]), this);
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(names[i]));
        edit->setMaxLength(6);
        edit->setFixedWidth(i == 0 ? 52 : 40);
        edit->setAlignment(Qt::AlignRight);
        label->setBuddy(edit);
        grid->addWidget(label, 0, i);
        grid->addWidget(edit, 1, i);
        *edits[i] = edit;
    }
    layout->addLayout(grid);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BitBtn1"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

void TfrmChangeDateTime::setFields(const DateTimeFields &f)
{
    Edityear->setText(f[0]);
    Editmonth->setText(f[1]);
    Editday->setText(f[2]);
    Edithour->setText(f[3]);
    Editminute->setText(f[4]);
    Editsecond->setText(f[5]);
}

DateTimeFields TfrmChangeDateTime::fields() const
{
    return {Edityear->text(),  Editmonth->text(),  Editday->text(),
            Edithour->text(),  Editminute->text(), Editsecond->text()};
}

DateTimeFields TfrmChangeDateTime::ask(const DateTimeFields &initial, QWidget *parent)
{
    TfrmChangeDateTime dialog(parent);
    dialog.setFields(initial);
    dialog.exec();
    return dialog.fields();
}

CorrectStartDateTime TfrmChangeDateTime::correction(QWidget *parent)
{
    return [parent](const StartDateTime &impossible) {
        return correctionFromFields(ask(fieldsOf(impossible), parent));
    };
}

} // namespace kv
