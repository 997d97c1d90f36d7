#pragma once
// The start-up box and the main window, drawn from the moment they are
// seen. A window that is shown and left to paint itself later stays an
// empty rectangle (black under a compositing desktop) while the program
// builds its main window and opens its first windows without giving the
// event loop a turn; and the main window, mapped after the box, covered it
// for the whole port search.

class QWidget;

namespace kv {

// Lays the box out at its final size, shows it and draws it (drawNow).
void showStartupBox(QWidget *box, int maxWaitMs = 2000);

// Once the window system shows the window (waiting at most maxWaitMs),
// paints it there before returning.
void drawNow(QWidget *window, int maxWaitMs = 2000);

// Puts the box back above the main window `over` (and keeps it there as
// that window's dialog), drawing what it says now.
void keepStartupBoxInView(QWidget *box, QWidget *over);

} // namespace kv
