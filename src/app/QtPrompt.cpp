#include "app/QtPrompt.h"

#include "logger/TfrmChangeDateTime.h"

#include <QApplication>
#include <QMessageBox>

namespace kv {

namespace {
QString title()
{
    return QApplication::applicationDisplayName();
}
} // namespace

void QtPrompt::information(const QString &text)
{
    QMessageBox::information(m_parent, title(), text, QMessageBox::Ok);
}

void QtPrompt::error(const QString &text)
{
    QMessageBox::critical(m_parent, title(), text, QMessageBox::Ok);
}

bool QtPrompt::confirm(const QString &text)
{
    return QMessageBox::question(m_parent, title(), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

DateTimeFields QtPrompt::correctDateTime(const DateTimeFields &initial)
{
    return TfrmChangeDateTime::ask(initial, m_parent);
}

} // namespace kv
