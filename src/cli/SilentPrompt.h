#pragma once
// The prompts of the command line: there is nobody to ask.

#include "common/Prompt.h"

namespace kv {

// The meter link never asks anything of the command line; it only tells
// the panel of a key press without a meter, which cannot happen here.
class SilentPrompt final : public Prompt
{
public:
    void information(const QString &) override {}
    void error(const QString &) override {}
    bool confirm(const QString &) override { return false; }
    Keep askSave(const QString &) override { return Keep::Cancel; }
    DateTimeFields correctDateTime(const DateTimeFields &initial) override { return initial; }
    bool setupScale(QString &, QString &) override { return false; }
    QString saveFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return QString();
    }
    QString lastSaveType() const override { return QString(); }
    QString openFileName(const QString &, const QString &, const QString &, const QString &) override
    {
        return QString();
    }
    bool askRange(const QString &, RangeAnswer &) override { return false; }
    bool askText(const QString &, const QString &, QString &) override { return false; }
    Choice chooseOpenSave(const QString &, const QString &, const QString &) override { return Choice::Cancel; }
};

} // namespace kv
