#pragma once
// The program's frame window: a maximised multiple-document window.

#include "app/QtPrompt.h"
#include "app/Settings.h"

#include <QMainWindow>

class QMdiArea;

namespace kv {

class TfrmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmMain(const QString &settingsProgramPath, QWidget *parent = nullptr);
    ~TfrmMain() override;

    const SettingsValues &settings() const { return m_settings; }
    QMdiArea *mdiArea() const { return m_mdi; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();

    QMdiArea *m_mdi;
    Settings::Location m_settingsLocation;
    SettingsValues m_settings;
    QtPrompt m_prompt;
};

} // namespace kv
