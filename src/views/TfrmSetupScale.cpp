#include "views/TfrmSetupScale.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kv {

TfrmSetupScale::TfrmSetupScale(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmSetupScale"));
    setWindowTitle(QStringLiteral("SETUP SCALE"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    auto *layout = new QVBoxLayout(this);
    auto *group = new QGroupBox(QStringLiteral("Vertical maximum and minimum scale setup"), this);
    auto *form = new QFormLayout(group);
    edtMaxScale = new QLineEdit(group);
    edtMaxScale->setObjectName(QStringLiteral("edtMaxScale"));
    edtMinScale = new QLineEdit(group);
    edtMinScale->setObjectName(QStringLiteral("edtMinScale"));
    form->addRow(QStringLiteral("maximum"), edtMaxScale);
    form->addRow(QStringLiteral("minimum"), edtMinScale);
    layout->addWidget(group);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

} // namespace kv
