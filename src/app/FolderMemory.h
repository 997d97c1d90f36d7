#pragma once
// The file dialogs remember where the user keeps each kind of file. Every
// question goes on to the prompt below unchanged, except that a file dialog
// starts in the folder last used for its kind of file (data sets, graphs,
// collections, PDF files, pictures) and the folder chosen is kept for the next time,
// in this run and the next ones (the settings file's [File Folders]
// section, written only when a folder changes). Until a kind has a folder,
// or while its folder is gone, the dialog starts where the command asked.
// A suggested file name the command gives comes along in either case.

#include "app/Settings.h"
#include "common/Prompt.h"

namespace kv {

class FolderMemory final : public Prompt
{
public:
    FolderMemory(Prompt &inner, Settings::Location where);

    // The kind of file a dialog is for, by the extension of its first file
    // type or of the file chosen ("Data Sets" for TXT and CSV, "Graphs",
    // "Collections", "PDF Files", "Pictures" for SVG and PNG); empty for
    // other extensions.
    static QString kindOf(const QString &extension);
    // The folder remembered for a kind (empty: none yet).
    QString folder(const QString &kind) const { return m_folders.value(kind); }
    // The last settings file write that failed, if any.
    QString lastError() const { return m_error; }

    void information(const QString &text) override { m_inner.information(text); }
    void error(const QString &text) override { m_inner.error(text); }
    bool confirm(const QString &text) override { return m_inner.confirm(text); }
    Keep askSave(const QString &text) override { return m_inner.askSave(text); }
    DateTimeFields correctDateTime(const DateTimeFields &initial) override { return m_inner.correctDateTime(initial); }
    bool setupScale(QString &maxText, QString &minText) override { return m_inner.setupScale(maxText, minText); }
    QString saveFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                         const QString &directory = QString()) override;
    QString lastSaveType() const override { return m_inner.lastSaveType(); }
    QString openFileName(const QString &caption, const QString &filter, const QString &defaultSuffix,
                         const QString &directory = QString()) override;
    bool askRange(const QString &caption, RangeAnswer &answer) override { return m_inner.askRange(caption, answer); }
    bool askText(const QString &caption, const QString &label, QString &text) override
    {
        return m_inner.askText(caption, label, text);
    }
    Choice chooseOpenSave(const QString &caption, const QString &collectionText, const QString &singleSetText) override
    {
        return m_inner.chooseOpenSave(caption, collectionText, singleSetText);
    }

private:
    // Where a dialog of this filter starts: the kind's folder with the
    // suggested name of `directory`, or `directory` as given.
    QString startOf(const QString &filter, const QString &directory, bool withName) const;
    void remember(const QString &filter, const QString &chosen);

    Prompt &m_inner;
    Settings::Location m_where;
    Settings::Folders m_folders;
    QString m_error;
};

} // namespace kv
