#pragma once
// The prompts as real Qt dialogs.

#include "common/Prompt.h"

class QWidget;

namespace kv {

class QtPrompt final : public Prompt
{
public:
    explicit QtPrompt(QWidget *parent = nullptr)
        : m_parent(parent)
    {
    }
    void setParent(QWidget *parent) { m_parent = parent; }

    void information(const QString &text) override;
    void error(const QString &text) override;
    bool confirm(const QString &text) override;
    Keep askSave(const QString &text) override;
    DateTimeFields correctDateTime(const DateTimeFields &initial) override;
    bool setupScale(QString &maxText, QString &minText) override;
    QString saveFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                         const QString &directory = QString()) override;
    QString lastSaveType() const override { return m_lastSaveType; }
    QString openFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                         const QString &directory = QString()) override;
    bool askRange(const QString &caption, RangeAnswer &answer) override;
    bool askText(const QString &caption, const QString &label, QString &text) override;
    Choice chooseOpenSave(const QString &caption, const QString &collectionText,
                          const QString &singleSetText) override;

private:
    QWidget *m_parent;
    QString m_lastSaveType;
};

} // namespace kv
