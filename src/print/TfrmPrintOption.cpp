#include "print/TfrmPrintOption.h"
#include "views/DialogPlacement.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

static void registerPrintArtwork()
{
    Q_INIT_RESOURCE(print);
}

namespace kv {

namespace {

constexpr QSize kPictureSize(120, 90);

QLabel *picture(const QString &name, const QString &accessibleName, QWidget *parent)
{
    static const bool registered = (registerPrintArtwork(), true);
    (void)registered;
    QIcon icon;
    icon.addFile(QStringLiteral(":/print/%1.png").arg(name), kPictureSize);
    icon.addFile(QStringLiteral(":/print/%1@2x.png").arg(name), kPictureSize * 2);
    auto *label = new QLabel(parent);
    label->setPixmap(icon.pixmap(kPictureSize, parent->devicePixelRatioF()));
    label->setAlignment(Qt::AlignCenter);
    label->setAccessibleName(accessibleName);
    return label;
}

} // namespace

TfrmPrintOption::TfrmPrintOption(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Print Option"));
    m_image1 = picture(QStringLiteral("graph"), tr("Graph"), this);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image2 = picture(QStringLiteral("text"), tr("Table"), this);
    m_image2->setObjectName(QStringLiteral("Image2"));
    m_button1 = new QPushButton(QStringLiteral("Print Graph"), this);
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button2 = new QPushButton(QStringLiteral("Print Text"), this);
    m_button2->setObjectName(QStringLiteral("Button2"));
    m_button3 = new QPushButton(QStringLiteral("Cancel"), this);
    m_button3->setObjectName(QStringLiteral("Button3"));
    for (QPushButton *b : {m_button1, m_button2, m_button3}) {
        b->setAccessibleName(b->text());
        b->setAutoDefault(false);
    }
    m_button1->setDefault(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(m_image1, 0, 0);
    layout->addWidget(m_image2, 0, 1);
    layout->addWidget(m_button1, 1, 0);
    layout->addWidget(m_button2, 1, 1);
    layout->addWidget(m_button3, 2, 0, 1, 2, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_button1, &QPushButton::clicked, this, [this] { choose(PrintChoice::Graph); });
    connect(m_button2, &QPushButton::clicked, this, [this] { choose(PrintChoice::Text); });
    connect(m_button3, &QPushButton::clicked, this, [this] { choose(PrintChoice::Cancel); });
}

void TfrmPrintOption::choose(PrintChoice choice)
{
    m_choice = choice;
    done(static_cast<int>(choice));
}

PrintChoice TfrmPrintOption::ask(QWidget *parent)
{
    TfrmPrintOption dialog(parent);
    dialog.exec();
    return dialog.choice();
}

void TfrmPrintOption::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen(this);
}

} // namespace kv
