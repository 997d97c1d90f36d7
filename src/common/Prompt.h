#pragma once
// Every question and message the program puts to the user goes through this
// interface. The real one shows Qt dialogs; tests script the answers, so no
// test ever waits on a modal dialog.

#include <QString>

#include <array>

namespace kv {

// The six fields of the date and time correction: year, month, day, hour,
// minute, second, as the user left them in the edits.
using DateTimeFields = std::array<QString, 6>;

class Prompt
{
public:
    virtual ~Prompt();

    // An information box with one OK button.
    virtual void information(const QString &text) = 0;
    // An error box with one OK button.
    virtual void error(const QString &text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool confirm(const QString &text) = 0;
    // Unsaved work about to go: Save, Discard or Cancel (Escape and the
    // close box cancel).
    enum class Keep { Save, Discard, Cancel };
    virtual Keep askSave(const QString &text) = 0;
    // The date and time correction: shows the six values, returns what the
    // edits hold when the dialog is closed (however it is closed).
    virtual DateTimeFields correctDateTime(const DateTimeFields &initial) = 0;
    // The vertical scale dialog, its two fields filled with maxText and
    // minText; true for OK, with the fields as the user left them.
    virtual bool setupScale(QString &maxText, QString &minText) = 0;
    // A file name to save under (an empty name when cancelled). filter is
    // in Qt's "Description (*.ext)" form, its types separated by ";;". A
    // name typed without an extension gets that of the file type chosen
    // in the dialog (savedFileName below), defaultSuffix where the type
    // names none. directory is where the dialog starts (empty: wherever it
    // likes), or a file there whose name the dialog suggests (a bare name:
    // suggested wherever the dialog likes to start); it asks before
    // overwriting an existing file. A typed extension that the filter's
    // types do not save (saveNameRefusal) is never given back: the dialog
    // says so and stays open.
    virtual QString saveFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                                 const QString &directory = QString()) = 0;
    // The file type chosen in the last save dialog, in the filter's form
    // ("TXT file (*.TXT)"); empty where the dialog tells none.
    virtual QString lastSaveType() const = 0;
    // A file to open (an empty name when cancelled), the dialog starting in
    // directory (empty: wherever it likes).
    virtual QString openFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                                 const QString &directory = QString()) = 0;

    // The range dialog of saving and printing: "&All" or "&Select" rows or
    // points "&from" .. "&to". all, fromText and toText come in as the
    // dialog starts and go out as the user left them; false for Cancel.
    struct RangeAnswer
    {
        bool all = true;
        QString fromText;
        QString toText;
    };
    virtual bool askRange(const QString &caption, RangeAnswer &answer) = 0;

    // The Open and Save chooser: a collection of all data sets, a single
    // data set, or Cancel.
    enum class Choice { Collection = 1, SingleSet = 7, Cancel = 2 };
    virtual Choice chooseOpenSave(const QString &caption, const QString &collectionText,
                                  const QString &singleSetText) = 0;

    // One line of text (a note): label above the edit, text in it as the
    // dialog starts and as the user left it; false for Cancel (and where
    // nobody can answer).
    virtual bool askText(const QString &caption, const QString &label, QString &text) = 0;
};

// The extension a save dialog's file type gives: that of its first
// pattern ("TXT" for "TXT file (*.TXT *.txt)"), empty for a type whose
// first pattern names no one extension ("All files (*.*)").
QString filterSuffix(const QString &nameFilter);

// Why a save dialog must not take the name typed: its extension names a
// file type of the dialog's filter only where one of the filter's own
// patterns matches it; "All files" takes any other extension except those
// of the program's own formats (graph, collection, text and picture files),
// which this window would otherwise write in the wrong format. Empty when
// the name is fine (also when it has no extension: the type gives it one).
// The text says which types the dialog saves.
QString saveNameRefusal(const QString &name, const QString &filter);

// The name a save dialog gives back for what the user typed: as typed when
// it has an extension (any dot in the file name, the user's choice wins),
// else with the chosen type's extension, or defaultSuffix when the type
// names none.
QString savedFileName(const QString &typed, const QString &nameFilter, const QString &defaultSuffix);

} // namespace kv
