#pragma once
// View → "Whole Run": opens the graph of every sample of the live run, or
// brings the open one to the front.

#include "views/TfrmWholeRun.h"

#include <QObject>
#include <QPointer>

namespace kv {

class Prompt;
class TfrmMain;

class WholeRunCommand : public QObject
{
    Q_OBJECT
public:
    WholeRunCommand(TfrmMain &main, Prompt &prompt, QObject *parent = nullptr);

    void WholeRun1Click();
    // The open whole-run graph, if any.
    TfrmWholeRun *window() const { return m_window; }

private:
    TfrmMain &m_main;
    Prompt &m_prompt;
    QPointer<TfrmWholeRun> m_window;
};

} // namespace kv
