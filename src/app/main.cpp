#include "app/TfrmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KV481"));
    QApplication::setApplicationDisplayName(QStringLiteral("KV481"));
    QApplication::setApplicationVersion(QStringLiteral(KV481_VERSION));

    kv::TfrmMain w(QApplication::applicationFilePath());
    w.showMaximized();
    return app.exec();
}
