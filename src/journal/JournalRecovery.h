#pragma once
// What the user is told of the journals: the offer at start to open the
// readings of a recording that did not end normally, and the folder opened
// in the system's file manager.

#include <QString>
#include <QUrl>

#include <functional>

namespace kv {

class Prompt;

// Asks once for each unfinished journal in folder how many readings from
// when were kept and where; open is given the path of each one accepted.
// A journal that kept no reading is told of once, as holding nothing.
void offerRecovery(const QString &folder, Prompt &prompt, const std::function<void(const QString &)> &open);

// Creates the folder if needed and hands it to openUrl (the file manager);
// a folder that cannot be opened is reported.
bool openRecordingFolder(const QString &folder, const std::function<bool(const QUrl &)> &openUrl, Prompt &prompt);

} // namespace kv
