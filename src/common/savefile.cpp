#include "common/savefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace zn {

namespace {
class QSaveFileDevice final : public SaveDevice {
public:
    QSaveFileDevice(const QString &path, SyncToDisk sync) : m_file(path), m_path(path), m_sync(sync) {}
    // An uncommitted QSaveFile removes its temporary file when destroyed.
    bool open() override { return m_file.open(QIODevice::WriteOnly); }
    bool write(QByteArrayView bytes) override { return m_file.write(bytes.data(), bytes.size()) == bytes.size(); }
    // QSaveFile::commit (Qt 6.4) renames the new file over the old one even
    // when its last buffered bytes could not be written: on a full disk it
    // replaced a good file with an empty one and reported success. The
    // flush is checked here before anything is renamed.
    //
    // The new contents reach the disk (fsync) before the rename, which
    // QSaveFile itself does not do: after a crash of the whole system, too,
    // the name then holds the old or the new contents, never a new name over
    // blocks that were never written. The directory is flushed afterwards,
    // so that the rename itself survives a power cut; that flush failing
    // changes nothing of the write.
    bool commit() override
    {
        if (!m_file.flush() || m_file.error() != QFileDevice::NoError)
            return false;
        if (m_sync == SyncToDisk::No)
            return m_file.commit();
        if (::fsync(m_file.handle()) != 0 || !m_file.commit())
            return false;
        const QByteArray directory = QFile::encodeName(QFileInfo(QFileInfo(m_path).canonicalFilePath()).absolutePath());
        const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            (void)::fsync(fd);
            ::close(fd);
        }
        return true;
    }

private:
    QSaveFile m_file;
    QString m_path;
    SyncToDisk m_sync;
};
} // namespace

std::unique_ptr<SaveDevice> openSaveFile(const QString &path, SyncToDisk sync)
{
    return std::make_unique<QSaveFileDevice>(path, sync);
}

bool saveFile(const QString &path, QByteArrayView bytes, const OpenSaveDevice &open, SyncToDisk sync)
{
    const std::unique_ptr<SaveDevice> device = open ? open(path) : openSaveFile(path, sync);
    return device && device->open() && device->write(bytes) && device->commit();
}

} // namespace zn
