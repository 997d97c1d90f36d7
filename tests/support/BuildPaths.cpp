#include "support/BuildPaths.h"

namespace kv::test {

QString builtFile(const QString &name) { return QStringLiteral(KV_BIN_DIR "/") + name; }
QString emulatorProgram() { return QStringLiteral(KV_EMULATOR); }
QString testData(const QString &relative) { return QStringLiteral(KV_TEST_DATA "/") + relative; }
QString packagingFile(const QString &relative) { return QStringLiteral(KV_PACKAGING "/") + relative; }

} // namespace kv::test
