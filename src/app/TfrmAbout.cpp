#include "app/TfrmAbout.h"

#include "panel/Artwork.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

TfrmAbout::TfrmAbout(QWidget *parent)
    : QDialog(parent)
{
    ensureArtwork();
    setObjectName(QStringLiteral("TfrmAbout"));
    setWindowTitle(QStringLiteral("About KV481"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kv481")));

    auto *picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral(":/panel/Image1")).scaledToHeight(200, Qt::SmoothTransformation));
    picture->setAlignment(Qt::AlignTop);

    auto *name = new QLabel(QStringLiteral("KV481"), this);
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    name->setFont(big);
    auto *version = new QLabel(QStringLiteral("Version %1").arg(QApplication::applicationVersion()), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto *product = new QLabel(QStringLiteral("The companion program for the K-type thermocouple "
                                              "thermometers model 481 (one channel) and model 482 (two "
                                              "channels): live readings, real-time graphs and lists, "
                                              "data-logger downloads, files and printing."),
                               this);
    product->setObjectName(QStringLiteral("lblProduct"));
    product->setWordWrap(true);
    auto *licence = new QLabel(QStringLiteral("Free software under the GNU General Public License, "
                                              "version 3 or later. Charts by QCustomPlot."),
                               this);
    licence->setWordWrap(true);
    QFont small = licence->font();
    small.setPointSize(qMax(7, small.pointSize() - 1));
    licence->setFont(small);

    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    QFont bold = Label4->font();
    bold.setBold(true);
    Label4->setFont(bold);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto *text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    text->addSpacing(6);
    text->addWidget(product);
    text->addSpacing(6);
    text->addWidget(licence);
    text->addStretch();
    text->addWidget(Label4);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    text->addLayout(buttons);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(picture);
    layout->addSpacing(12);
    layout->addLayout(text, 1);
    setFixedSize(460, 240);
}

} // namespace kv
