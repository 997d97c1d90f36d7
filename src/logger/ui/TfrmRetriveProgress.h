#pragma once
// The download's progress: bytes received of the total, a bar, and Cancel.
// It only shows what the download job reports and forwards Cancel to it.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kv {

class LoggerDownload;

class TfrmRetriveProgress : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmRetriveProgress(QWidget *parent = nullptr);

    // Follows the job: appears when its blocks start, counts them, and
    // hands Cancel to it.
    void follow(LoggerDownload &job);

    // The bar runs from 0 to remaining; the total shows whole blocks.
    void start(int remaining, int totalBytes);
    void setReceived(int bytes);

    QLabel *lblBytesReceived;
    QLabel *lblTotalBytes;
    QProgressBar *Progress1;
    QPushButton *BitBtn1; // Cancel

Q_SIGNALS:
    void cancelRequested();

protected:
    void reject() override; // Esc and the close box cancel too
};

} // namespace kv
