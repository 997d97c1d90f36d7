#pragma once
// Where the program finds what lies beside it. A program run from its build
// or unpacked folder keeps its settings, chart template and guide beside
// itself; an installed one (bin/ with share/kv481/ next to it) finds its
// guide under share/ and keeps what it writes in the user's own folders.

#include <QString>

namespace kv {

// True for an installed program: a share/kv481 folder beside its bin folder.
bool isInstalledProgram(const QString &programPath);
// The installed program's share/kv481 folder (whether or not it exists).
QString installedDataFolder(const QString &programPath);

} // namespace kv
