#pragma once
// Watching in the main window: the "Alarms…" and "Alarm Log" commands of
// the Option menu, the alarm rules on the meter link, the rate of rise on
// the graphs with its check item, and their section of the settings file.

class QMenu;

namespace kv {

class TfrmMain;
class WatchController;

// Adds the commands to the menu and starts watching with the options kept
// in the settings file.
WatchController *installWatch(TfrmMain &main, QMenu *option);

} // namespace kv
