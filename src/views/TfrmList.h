#pragma once
// A list window: one string grid filling it. The real-time list (caption
// "Tabular") takes a row for every recorded sample; lists read from files
// carry the file's path as caption.

#include "common/RunNote.h"
#include "link/Reading.h"
#include "views/ChildWindow.h"
#include "views/GridModel.h"

#include <QWidget>

#include <functional>

class QLabel;
class QTableView;

namespace kv {

class TfrmList : public QWidget, public ChildWindow
{
    Q_OBJECT
public:
    static QString realTimeCaption() { return QStringLiteral("Tabular"); }

    // model: the meter model whose columns the list takes when shown.
    explicit TfrmList(std::function<int()> model, QWidget *parent = nullptr);

    GridModel *grid() const { return m_grid; }
    QTableView *Grid1;
    QLabel *Label2; // fonts of the printed title row
    QLabel *Label3; // and of the printed data rows
    bool isRealTime() const override { return windowTitle() == realTimeCaption(); }
    // The real-time list: the time of its first row; a list from a file:
    // that file's name.
    QString suggestedFileName() const override;

    // Titles, column count and widths of the model: 8 columns for the
    // two-channel meter, 6 for the one-channel meter.
    void setupColumns(int model);
    // One recorded sample, at the tick's date-time.
    void AddRealTimeRow(double dateTime, const Reading &r, int model);
    // Back to one empty data row.
    void clear();
    // The notes of the rows shown (the run's, or those a file held); a
    // graph made of the list and a CSV for analysis of it carry them.
    const RunNotes &notes() const { return m_notes; }
    void setNotes(const RunNotes &notes) { m_notes = notes; }

    static constexpr int kDefaultColumnWidth = 72;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::function<int()> m_model;
    GridModel *m_grid;
    bool m_shown = false;
    bool m_scrollPending = false;
    double m_firstRowTime = 0.0; // of the real-time list; 0 while it has no row
    RunNotes m_notes;
};

} // namespace kv
