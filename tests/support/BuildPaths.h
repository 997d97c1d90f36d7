#pragma once
// Where this build put its programs and where the sources keep the test
// data. They are looked up in one place rather than compiled into every test
// program: a path in a test's compile line differs from one clone to the
// next and would keep the compiler cache from sharing the test's object.

#include <QString>

namespace kv::test {

QString builtFile(const QString &name);        // in the programs' folder (bin/)
QString emulatorProgram();                     // the meter emulator
QString testData(const QString &relative);     // under tests/data
QString packagingFile(const QString &relative); // under packaging/

} // namespace kv::test
