#include "link/PortProblem.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>
#endif

namespace kv {

PortProblem describePortProblem(const PortOpenFacts &f)
{
    PortProblem p;
    const QString &dev = f.device;
    if (!f.exists || f.reported == PortProblemKind::Vanished) {
        p.kind = PortProblemKind::Vanished;
        p.text = QStringLiteral("%1 is not there (any more): is the meter's cable plugged in?").arg(dev);
        return p;
    }
    if (f.accessDenied) {
        p.kind = PortProblemKind::Permission;
#ifdef Q_OS_LINUX
        if (!f.group.isEmpty() && f.group != QLatin1String("root") && !f.inGroup) {
            if (f.userListedInGroup)
                p.text = QStringLiteral("Permission denied on %1: you were added to the %2 group, "
                                        "but this session started before; log out and in again")
                             .arg(dev, f.group);
            else
                p.text = QStringLiteral("Permission denied on %1: your user is not in the %2 group; run "
                                        "\"sudo usermod -aG %2 $USER\", then log out and in again")
                             .arg(dev, f.group);
            return p;
        }
#endif
        p.text = QStringLiteral("Permission denied on %1: ask the administrator for read and write access to it")
                     .arg(dev);
        return p;
    }
    if (f.reported == PortProblemKind::Permission || f.reported == PortProblemKind::Busy) {
        // The library says "permission" for a device that is locked or held
        // exclusively too; the device itself lets us in, so someone holds it.
        p.kind = PortProblemKind::Busy;
        p.text = QStringLiteral("%1 is busy: another program is using it; close that program and try again").arg(dev);
        return p;
    }
    p.kind = PortProblemKind::Other;
    p.text = f.systemText.isEmpty() ? QStringLiteral("%1 could not be opened").arg(dev)
                                    : QStringLiteral("%1 could not be opened: %2").arg(dev, f.systemText);
    return p;
}

PortOpenFacts portOpenFacts(const QString &device, PortProblemKind reported, const QString &systemText)
{
    PortOpenFacts f;
    f.device = device;
    f.reported = reported;
    f.systemText = systemText;
    f.exists = QFileInfo::exists(device);
#ifdef Q_OS_UNIX
    if (!f.exists)
        return f;
    const QByteArray path = QFile::encodeName(device);
    f.accessDenied = ::access(path.constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM);
    struct stat st;
    if (::stat(path.constData(), &st) == 0) {
        if (const struct group *g = ::getgrgid(st.st_gid)) {
            f.group = QString::fromLocal8Bit(g->gr_name);
            const struct passwd *pw = ::getpwuid(::geteuid());
            if (pw && g->gr_mem)
                for (char **m = g->gr_mem; *m; ++m)
                    if (std::strcmp(*m, pw->pw_name) == 0)
                        f.userListedInGroup = true;
        }
        f.inGroup = ::getegid() == st.st_gid;
        const int n = ::getgroups(0, nullptr);
        if (n > 0) {
            std::vector<gid_t> groups(static_cast<size_t>(n));
            if (::getgroups(n, groups.data()) == n)
                for (gid_t g : groups)
                    if (g == st.st_gid)
                        f.inGroup = true;
        }
    }
#endif
    return f;
}

} // namespace kv
