#pragma once
// "Publish Readings…": where live readings go (broker, topic prefix, meter
// name, TLS files, user, password file) and whether they go at all. It
// returns the options; the password itself is never asked for here.

#include "publish/PublishOptions.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kv {

class TfrmPublish : public QDialog
{
    Q_OBJECT
public:
    // browse: a file to open for the caption (empty when cancelled).
    TfrmPublish(const PublishOptions &options, std::function<QString(const QString &)> browse,
                QWidget *parent = nullptr);

    PublishOptions options() const;

    // The controls, by name, for the tests.
    QCheckBox *chkEnabled, *chkRetainState;
    QLineEdit *edtBroker, *edtPrefix, *edtMeter, *edtCa, *edtCert, *edtKey, *edtUser, *edtPasswordFile;
    QLabel *lblProblem;

public Q_SLOTS:
    // Takes the options when publishing is off or they can work; else says
    // why and stays open.
    void accept() override;

private:
    void updateEnabled();

    std::function<QString(const QString &)> m_browse;
    QList<QWidget *> m_fields;
};

} // namespace kv
