#pragma once
// The small window that stays on top while a data set is being shown: the
// caption "decoding data" and one progress bar.

#include <QDialog>

class QProgressBar;

namespace kv {

class TfrmDecodeProcess : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmDecodeProcess(QWidget *parent = nullptr);

    QProgressBar *ProgressBar1;
};

} // namespace kv
