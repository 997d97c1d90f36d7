#include "app/QtPrompt.h"

#include "files/ui/TfrmOpenSave.h"
#include "files/ui/TfrmScope.h"
#include "logger/ui/TfrmChangeDateTime.h"
#include "views/TfrmSetupScale.h"

#include <QLineEdit>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
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
    QFileDialog dialog(m_parent, caption, directory, filter);
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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    m_lastSaveType = dialog.selectedNameFilter();
    return dialog.selectedFiles().first();
}

QString QtPrompt::openFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                               const QString &directory)
{
    QFileDialog dialog(m_parent, caption, directory, filter);
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
