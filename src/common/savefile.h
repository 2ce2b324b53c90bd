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

// The real device: a QSaveFile at `path`.
std::unique_ptr<SaveDevice> openSaveFile(const QString &path);

// Writes `bytes` as the whole new contents of `path`; false when any step
// failed, the old file then being unchanged. An empty `open` means openSaveFile.
[[nodiscard]] bool saveFile(const QString &path, QByteArrayView bytes, const OpenSaveDevice &open = {});

} // namespace zn
