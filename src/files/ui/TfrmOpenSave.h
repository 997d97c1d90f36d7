#pragma once
// The Open and Save chooser: all data sets as one collection file, a
// single data set, or Cancel. The command sets the caption and the two
// choices' texts.

#include "common/Prompt.h"

#include <QDialog>

class QPushButton;

namespace kv {

class TfrmOpenSave : public QDialog
{
    Q_OBJECT
public:
    TfrmOpenSave(const QString &caption, const QString &collectionText, const QString &singleSetText,
                 QWidget *parent = nullptr);

    // Shows the chooser modally; Cancel also when closed by its close box.
    Prompt::Choice choose();

    QPushButton *btnOpenSets;
    QPushButton *btnOpenSingleSet;
    QPushButton *Button1; // Cancel
};

} // namespace kv
