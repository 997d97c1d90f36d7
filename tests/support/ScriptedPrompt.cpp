#include "support/ScriptedPrompt.h"

namespace kv::test {

void ScriptedPrompt::error(const QString &text)
{
    errors << text;
    if (whileErrorShown)
        whileErrorShown();
}

bool ScriptedPrompt::confirm(const QString &text)
{
    questions << text;
    return confirmAnswers.isEmpty() ? false : confirmAnswers.dequeue();
}

Prompt::Keep ScriptedPrompt::askSave(const QString &text)
{
    saveQuestions << text;
    if (whileSaveAsked)
        whileSaveAsked();
    return saveAnswers.isEmpty() ? Keep::Discard : saveAnswers.dequeue();
}

DateTimeFields ScriptedPrompt::correctDateTime(const DateTimeFields &initial)
{
    dateTimeAsked << initial;
    return dateTimeAnswers.isEmpty() ? initial : dateTimeAnswers.dequeue();
}

bool ScriptedPrompt::setupScale(QString &maxText, QString &minText)
{
    scaleShown << qMakePair(maxText, minText);
    if (scaleAnswers.isEmpty())
        return false;
    const ScaleAnswer a = scaleAnswers.dequeue();
    if (a.ok) {
        maxText = a.max;
        minText = a.min;
    }
    return a.ok;
}

QString ScriptedPrompt::saveFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                                     const QString &directory)
{
    saveAsked << caption;
    saveFilters << filter;
    saveFolders << directory;
    const QString type = filter.split(QStringLiteral(";;")).value(saveTypes.isEmpty() ? 0 : saveTypes.dequeue());
    savedType.clear();
    while (!saveNames.isEmpty()) {
        const QString name = savedFileName(saveNames.dequeue(), type, defaultSuffix);
        const QString why = saveNameRefusal(name, filter);
        if (why.isEmpty()) {
            savedType = type;
            return name;
        }
        saveRefusals << why;
    }
    return QString();
}

QString ScriptedPrompt::openFileName(const QString &caption, const QString &filter, const QString &,
                                     const QString &directory)
{
    openAsked << caption;
    openFilters << filter;
    openFolders << directory;
    return openNames.isEmpty() ? QString() : openNames.dequeue();
}

bool ScriptedPrompt::askRange(const QString &caption, RangeAnswer &answer)
{
    rangesShown << qMakePair(caption, answer);
    if (rangeAnswers.isEmpty())
        return false;
    answer = rangeAnswers.dequeue();
    return true;
}

Prompt::Choice ScriptedPrompt::chooseOpenSave(const QString &caption, const QString &collectionText, const QString &singleSetText)
{
    choosersShown << QStringList{caption, collectionText, singleSetText};
    return choices.isEmpty() ? Choice::Cancel : choices.dequeue();
}

} // namespace kv::test
