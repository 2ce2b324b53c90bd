// Replacing a file in one step: write a temporary file beside it, then
// rename it over the old one (QSaveFile). A failure at any step leaves the
// old file as it was. The steps go through a device that a test can make
// fail, so that the error paths of every writer (settings, log) are tested
// without file permissions, which do not bind root.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>

namespace zn {

class SaveDevice {
public:
    virtual ~SaveDevice() = default;
    virtual bool open() = 0;
    // True when every byte was written.
    virtual bool write(QByteArrayView bytes) = 0;
    // Makes the written bytes the file's contents. Without it (a failed step,
    // or the device destroyed first) the old file stays.
    virtual bool commit() = 0;
};

// Gives the device that replaces the file at `path`.
using OpenSaveDevice = std::function<std::unique_ptr<SaveDevice>(const QString &path)>;

// Whether a replacement waits until the disk holds it. Either way a killed
// program leaves the old or the new file: the rename is what makes the new
// one visible. Flushing to the disk adds the same for a crash of the whole
// system or a power cut, at the cost of waiting for the disk (milliseconds
// on a spinning or a busy disk).
enum class SyncToDisk { Yes, No };

// The real device: a QSaveFile at `path`.
std::unique_ptr<SaveDevice> openSaveFile(const QString &path, SyncToDisk sync = SyncToDisk::Yes);

// Writes `bytes` as the whole new contents of `path`; false when any step
// failed, the old file then being unchanged. An empty `open` means
// openSaveFile with `sync`.
[[nodiscard]] bool saveFile(const QString &path, QByteArrayView bytes, const OpenSaveDevice &open = {},
                            SyncToDisk sync = SyncToDisk::Yes);

} // namespace zn
