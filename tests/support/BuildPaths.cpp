#include "support/BuildPaths.h"

namespace kv::test {

QString builtFile(const QString &name) { return QStringLiteral(KV_BIN_DIR "/") + name; }
#ifdef KV_EMULATOR
QString emulatorProgram() { return QStringLiteral(KV_EMULATOR); }
#else
QString emulatorProgram() { return {}; } // built on Unix only
#endif
QString testData(const QString &relative) { return QStringLiteral(KV_TEST_DATA "/") + relative; }
QString packagingFile(const QString &relative) { return QStringLiteral(KV_PACKAGING "/") + relative; }

} // namespace kv::test
