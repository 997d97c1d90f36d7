#pragma once
// A Prompt whose answers a test gives in advance and whose questions it reads
// back afterwards.

#include "common/Prompt.h"

#include <QQueue>
#include <QStringList>

#include <functional>

namespace kv::test {

class ScriptedPrompt final : public Prompt
{
public:
    QStringList informations;
    QStringList errors;
    QStringList questions;
    QQueue<bool> confirmAnswers;
    QVector<DateTimeFields> dateTimeAsked;
    QQueue<DateTimeFields> dateTimeAnswers;

    void information(const QString &text) override { informations << text; }
    // Runs while an error is shown, as the event loop of a real message
    // box does (timers fire meanwhile).
    std::function<void()> whileErrorShown;
    void error(const QString &text) override;
    bool confirm(const QString &text) override;
    // Save, Discard or Cancel: the questions and the answers (none left: Discard).
    QStringList saveQuestions;
    QQueue<Keep> saveAnswers;
    std::function<void()> whileSaveAsked; // runs while the question is shown
    Keep askSave(const QString &text) override;
    DateTimeFields correctDateTime(const DateTimeFields &initial) override;
    // The scale dialog: what it was shown with, and the answers to give
    // (false for Cancel; the texts typed).
    QVector<QPair<QString, QString>> scaleShown;
    struct ScaleAnswer
    {
        bool ok;
        QString max, min;
    };
    QQueue<ScaleAnswer> scaleAnswers;
    bool setupScale(QString &maxText, QString &minText) override;
    QStringList saveAsked;     // captions of the save dialogs shown
    QStringList saveFilters;   // and their filters
    QStringList saveFolders;   // and the folders they started in (with the name suggested)
    QQueue<QString> saveNames; // the names typed (none: cancelled)
    // The file types chosen, by their place in the filter (none left: the
    // first, as the dialog opens). A name typed without an extension gets
    // the chosen type's, as the real dialog gives it.
    QQueue<int> saveTypes;
    // A name whose extension the dialog's types do not save is refused as
    // the real dialog refuses it (the reasons kept here), which then stays
    // open for the next name.
    QStringList saveRefusals;
    QString saveFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                         const QString &directory = QString()) override;
    QString savedType; // the type chosen in the last save dialog
    QString lastSaveType() const override { return savedType; }
    QStringList openAsked;     // captions of the open dialogs shown
    QStringList openFilters;
    QStringList openFolders;   // the folders they started in
    QQueue<QString> openNames; // the names chosen (none: cancelled)
    QString openFileName(const QString &caption, const QString &filter, const QString &,
                         const QString &directory = QString()) override;
    // The range dialog: what it was shown with, and the answers (none
    // left: Cancel).
    QVector<QPair<QString, RangeAnswer>> rangesShown;
    QQueue<RangeAnswer> rangeAnswers;
    bool askRange(const QString &caption, RangeAnswer &answer) override;
    // The chooser: caption and the two button texts it was shown with.
    QVector<QStringList> choosersShown;
    QQueue<Choice> choices; // none left: Cancel
    Choice chooseOpenSave(const QString &caption, const QString &collectionText, const QString &singleSetText) override;
    // One line of text: the labels shown and the texts typed (none left: Cancel).
    QStringList textsAsked;
    QQueue<QString> textAnswers;
    bool askText(const QString &, const QString &label, QString &text) override
    {
        textsAsked << label;
        if (textAnswers.isEmpty())
            return false;
        text = textAnswers.dequeue();
        return true;
    }
    int messageCount() const { return informations.size() + errors.size() + questions.size(); }
};

} // namespace kv::test
