#include "files/ui/TfrmOpenSave.h"

#include "views/DialogPlacement.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

TfrmOpenSave::TfrmOpenSave(const QString &caption, const QString &collectionText, const QString &singleSetText,
                           QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , btnOpenSets(new QPushButton(collectionText, this))
    , btnOpenSingleSet(new QPushButton(singleSetText, this))
    , Button1(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("TfrmOpenSave"));
    setWindowTitle(caption);
    btnOpenSets->setObjectName(QStringLiteral("btnOpenSets"));
    btnOpenSingleSet->setObjectName(QStringLiteral("btnOpenSingleSet"));
    Button1->setObjectName(QStringLiteral("Button1"));
    btnOpenSets->setDefault(true);
    for (QPushButton *b : {btnOpenSets, btnOpenSingleSet, Button1})
        b->setMinimumHeight(32);
    connect(btnOpenSets, &QPushButton::clicked, this, [this] { done(int(Prompt::Choice::Collection)); });
    connect(btnOpenSingleSet, &QPushButton::clicked, this, [this] { done(int(Prompt::Choice::SingleSet)); });
    connect(Button1, &QPushButton::clicked, this, [this] { done(int(Prompt::Choice::Cancel)); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->setSpacing(10);
    layout->addWidget(btnOpenSets);
    layout->addWidget(btnOpenSingleSet);
    layout->addSpacing(6);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    setMinimumWidth(420);
    adjustSize();
    centreOnScreen(this);
}

Prompt::Choice TfrmOpenSave::choose()
{
    const int result = exec();
    if (result == int(Prompt::Choice::Collection))
        return Prompt::Choice::Collection;
    if (result == int(Prompt::Choice::SingleSet))
        return Prompt::Choice::SingleSet;
    return Prompt::Choice::Cancel;
}

} // namespace kv
