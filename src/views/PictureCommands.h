#pragma once
// Graph pictures from the File menu and from each graph's context menu:
// "Export Picture..." asks for the format and size, then the file, and
// writes what the graph shows; "Copy Picture" puts it on the clipboard.

#include "views/Chart.h"

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace kv {

class Prompt;

struct PictureRequest
{
    Chart::PictureFormat format = Chart::PictureFormat::Png;
    QSize size;          // pixels at the screen's resolution (a PDF page: its millimetres in them)
    double scale = 1.0;  // 2: a PNG with twice the pixels, for print
};

// The format, the size (the graph's own to start with; in pixels, a PDF
// page in millimetres) and, for PNG, twice the pixels.
class TfrmPicture : public QDialog
{
    Q_OBJECT
public:
    TfrmPicture(QSize graphSize, QWidget *parent = nullptr);
    PictureRequest request() const;

    QComboBox *cmbFormat;
    QSpinBox *edtWidth, *edtHeight;
    QCheckBox *chkTwice;

private:
    bool inMillimetres() const;
    void showSize(QSize size);
};

class PictureCommands : public QObject
{
    Q_OBJECT
public:
    // activeChart: the chart of the active window, if it has one.
    PictureCommands(Prompt &prompt, std::function<Chart *()> activeChart, QWidget *dialogParent,
                    QObject *parent = nullptr);

    // The File menu's commands, on the active window's chart.
    void ExportPicture1Click();
    void CopyPicture1Click();
    // The same on one chart; false when nothing was written.
    bool exportPicture(Chart &chart);
    void copyPicture(Chart &chart);

    // Adds "Export Picture..." and "Copy Picture" to the chart's context
    // menu (the menu key too).
    void installOn(Chart &chart);

    // Where the format and size come from (the dialog by default); tests
    // answer it themselves. None: cancelled.
    using RequestSource = std::function<std::optional<PictureRequest>(QSize graphSize)>;
    void setRequestSource(RequestSource source) { m_ask = std::move(source); }

    // The save dialog's file type for a format.
    static QString filterFor(Chart::PictureFormat format);

private:
    Prompt &m_prompt;
    std::function<Chart *()> m_activeChart;
    QPointer<QWidget> m_dialogParent;
    RequestSource m_ask;
};

} // namespace kv
