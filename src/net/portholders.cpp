#include "net/portholders.h"

#include <QByteArrayList>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

namespace zn {

namespace {

QByteArray readProcFile(const char *path)
{
    // The files of /proc report a size of 0: read until the end.
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray readLink(const QByteArray &path)
{
    char target[4096];
    const ssize_t length = ::readlink(path.constData(), target, sizeof target);
    return length > 0 ? QByteArray(target, length) : QByteArray();
}

QString processName(const QByteArray &pidDirectory)
{
    // A program file replaced since it started reads "name (deleted)".
    QByteArray exe = readLink(pidDirectory + "/exe");
    if (exe.endsWith(" (deleted)"))
        exe.chop(10);
    if (!exe.isEmpty())
        return QFileInfo(QString::fromLocal8Bit(exe)).fileName();
    return QString::fromLocal8Bit(readProcFile(QByteArray(pidDirectory + "/comm").constData()).trimmed());
}

bool holdsAny(const QByteArray &pidDirectory, const QList<QByteArray> &links)
{
    const QByteArray fdDirectory = pidDirectory + "/fd";
    DIR *dir = ::opendir(fdDirectory.constData());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (links.contains(readLink(fdDirectory + '/' + entry->d_name))) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// The socket inodes of a UDP table (the text of /proc/net/udp or
// /proc/net/udp6) whose local port is `port`.
QList<quint64> UdpSocketInodes(QByteArrayView table, quint16 port)
{
    QList<quint64> inodes;
    // "sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...",
    // the address as hexadecimal "ADDRESS:PORT"; the first line names the columns.
    const QByteArrayList lines = table.toByteArray().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArrayList fields = lines[i].simplified().split(' ');
        if (fields.size() < 10)
            continue;
        const QByteArray &local = fields[1];
        const qsizetype colon = local.lastIndexOf(':');
        bool portOk = false;
        bool inodeOk = false;
        const uint localPort = local.mid(colon + 1).toUInt(&portOk, 16);
        const quint64 inode = fields[9].toULongLong(&inodeOk);
        if (colon > 0 && portOk && inodeOk && localPort == port && inode != 0 && !inodes.contains(inode))
            inodes.append(inode);
    }
    return inodes;
}

} // namespace

QList<PortHolder> UdpPortHolders(quint16 port)
{
    QList<QByteArray> links;
    for (const char *table : {"/proc/net/udp", "/proc/net/udp6"}) {
        for (const quint64 inode : UdpSocketInodes(readProcFile(table), port))
            links.append("socket:[" + QByteArray::number(inode) + ']');
    }
    QList<PortHolder> holders;
    if (links.isEmpty())
        return holders;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return holders;
    while (const dirent *entry = ::readdir(proc)) {
        char *end = nullptr;
        const long long pid = std::strtoll(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        const QByteArray directory = QByteArray("/proc/") + entry->d_name;
        if (holdsAny(directory, links))
            holders.append({pid, processName(directory)});
    }
    ::closedir(proc);
    std::sort(holders.begin(), holders.end(), [](const PortHolder &a, const PortHolder &b) { return a.pid < b.pid; });
    return holders;
}

} // namespace zn
