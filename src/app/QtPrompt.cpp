#include "app/QtPrompt.h"

#include "files/ui/TfrmOpenSave.h"
#include "files/ui/TfrmScope.h"
#include "logger/ui/TfrmChangeDateTime.h"
#include "views/TfrmSetupScale.h"

#include <QLineEdit>

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>

namespace kv {

namespace {
QString title()
{
    return QApplication::applicationDisplayName();
}

// Messages whose text can be selected and copied (a path, a port, an
// error from the system to look up).
void message(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    QMessageBox box(icon, title(), text, QMessageBox::Ok, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

// The file dialog as the program uses it. Saving, a typed extension wins
// only among the types the dialog offers: any other is refused with the
// list of those types, and the dialog stays open. Opening, a typed name of
// an existing file opens it whatever type is chosen: Qt's own dialog hides
// the files the chosen type leaves out and then refuses a name typed for
// one of them once it shows that folder, so they are shown greyed instead.
class FileDialog : public QFileDialog
{
public:
    FileDialog(QWidget *parent, const QString &caption, const QString &directory, const QString &filter)
        : QFileDialog(parent, caption, directory, filter)
        , m_filter(filter)
    {
    }

    // Why the name chosen cannot be saved; empty when it can.
    QString refusal() const
    {
        if (acceptMode() != AcceptSave || selectedFiles().isEmpty())
            return QString();
        return saveNameRefusal(selectedFiles().first(), m_filter);
    }

    void accept() override
    {
        // A native dialog has closed already: the caller asks again. Qt's
        // own (with its name edit) says why here and stays open.
        const QString why = refusal();
        if (!why.isEmpty() && findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
            message(this, QMessageBox::Information, why);
            return;
        }
        QFileDialog::accept();
    }

    void setVisible(bool visible) override
    {
        QFileDialog::setVisible(visible);
        // Qt's own dialog (a native one has no such model).
        if (visible && acceptMode() == AcceptOpen)
            if (auto *files = findChild<QFileSystemModel *>())
                files->setNameFilterDisables(true);
    }

private:
    QString m_filter;
};

} // namespace

void QtPrompt::information(const QString &text)
{
    message(m_parent, QMessageBox::Information, text);
}

void QtPrompt::error(const QString &text)
{
    message(m_parent, QMessageBox::Critical, text);
}

bool QtPrompt::confirm(const QString &text)
{
    return QMessageBox::question(m_parent, title(), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

Prompt::Keep QtPrompt::askSave(const QString &text)
{
    switch (QMessageBox::question(m_parent, title(), text,
                                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save)) {
    case QMessageBox::Save:
        return Keep::Save;
    case QMessageBox::Discard:
        return Keep::Discard;
    default:
        return Keep::Cancel;
    }
}

DateTimeFields QtPrompt::correctDateTime(const DateTimeFields &initial)
{
    return TfrmChangeDateTime::ask(initial, m_parent);
}

bool QtPrompt::askText(const QString &caption, const QString &label, QString &text)
{
    QInputDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("TfrmNote"));
    dialog.setWindowTitle(caption);
    dialog.setLabelText(label);
    dialog.setTextValue(text);
    dialog.resize(420, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = dialog.textValue();
    return true;
}

bool QtPrompt::setupScale(QString &maxText, QString &minText)
{
    TfrmSetupScale dialog(m_parent);
    dialog.edtMaxScale->setText(maxText);
    dialog.edtMinScale->setText(minText);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    maxText = dialog.edtMaxScale->text();
    minText = dialog.edtMinScale->text();
    return true;
}

QString QtPrompt::saveFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                               const QString &directory)
{
    FileDialog dialog(m_parent, caption, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension takes that of the chosen file
    // type, so the type decides the format; the dialog adds it before it
    // asks about overwriting.
    const auto followType = [&dialog, defaultSuffix](const QString &type) {
        const QString suffix = filterSuffix(type);
        dialog.setDefaultSuffix(suffix.isEmpty() ? defaultSuffix : suffix);
    };
    followType(dialog.selectedNameFilter());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followType);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    m_lastSaveType.clear();
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        const QString why = dialog.refusal();
        if (why.isEmpty())
            break;
        // Only a native dialog gets here, closed: say why and ask again.
        message(m_parent, QMessageBox::Information, why);
    }
    m_lastSaveType = dialog.selectedNameFilter();
    return dialog.selectedFiles().first();
}

QString QtPrompt::openFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                               const QString &directory)
{
    FileDialog dialog(m_parent, caption, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

bool QtPrompt::askRange(const QString &caption, RangeAnswer &answer)
{
    TfrmScope dialog(caption, m_parent);
    dialog.setAnswer(answer);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    answer = dialog.answer();
    return true;
}

Prompt::Choice QtPrompt::chooseOpenSave(const QString &caption, const QString &collectionText,
                                        const QString &singleSetText)
{
    TfrmOpenSave chooser(caption, collectionText, singleSetText, m_parent);
    return chooser.choose();
}

} // namespace kv
