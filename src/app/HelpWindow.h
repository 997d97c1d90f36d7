#pragma once
// The user guide in a window of the program's own, so that Help > Contents
// always shows something, whether or not the system has a browser.

#include <QDialog>
#include <QUrl>

#include <functional>

class QTextBrowser;
template <typename T>
class QPointer;
class QPushButton;

namespace kv {

class Prompt;

class HelpWindow : public QDialog
{
    Q_OBJECT
public:
    // openExternally hands the file to the system's browser.
    HelpWindow(const QString &path, std::function<bool(const QUrl &)> openExternally, QWidget *parent = nullptr);

    // Shows the guide at path, raising the window when it is open already;
    // an unreadable file is reported through prompt instead.
    static void showGuide(QPointer<HelpWindow> &window, const QString &path,
                          std::function<bool(const QUrl &)> openExternally, Prompt &prompt, QWidget *parent);

    // False when the help file could not be read.
    bool loaded() const { return m_loaded; }
    QTextBrowser *browser() const { return m_browser; }
    QPushButton *openInBrowser() const { return m_openInBrowser; }

private:
    QTextBrowser *m_browser;
    QPushButton *m_openInBrowser;
    bool m_loaded = false;
};

} // namespace kv
