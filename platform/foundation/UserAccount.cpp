#include "platform/foundation/UserAccount.h"

#include <QFile>
#include <pwd.h>
#include <unistd.h>

namespace UserAccount {

QString userFullName() {
    const struct passwd* account = getpwuid(getuid());
    if (!account)
        return QString::fromLocal8Bit(qgetenv("USER"));
    const QString gecos = QString::fromLocal8Bit(account->pw_gecos ? account->pw_gecos : "");
    const QString fullName = gecos.section(QLatin1Char(','), 0, 0).trimmed();
    if (!fullName.isEmpty())
        return fullName;
    return QString::fromLocal8Bit(account->pw_name);
}

mode_t newFileMode() {
    // Read, not set and reset: umask() would change it for every thread meanwhile.
    QFile status(QStringLiteral("/proc/self/status"));
    mode_t mask = 022;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint read = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    mask = mode_t(read);
                break;
            }
    }
    return 0666 & ~mask;
}

} // namespace UserAccount
