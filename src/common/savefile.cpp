#include "common/savefile.h"

#include <QSaveFile>

namespace zn {

namespace {
class QSaveFileDevice final : public SaveDevice {
public:
    explicit QSaveFileDevice(const QString &path) : m_file(path) {}
    // An uncommitted QSaveFile removes its temporary file when destroyed.
    bool open() override { return m_file.open(QIODevice::WriteOnly); }
    bool write(QByteArrayView bytes) override
    {
        return m_file.write(bytes.data(), bytes.size()) == bytes.size();
    }
    bool commit() override { return m_file.commit(); }

private:
    QSaveFile m_file;
};
} // namespace

std::unique_ptr<SaveDevice> openSaveFile(const QString &path)
{
    return std::make_unique<QSaveFileDevice>(path);
}

bool saveFile(const QString &path, QByteArrayView bytes, const OpenSaveDevice &open)
{
    const std::unique_ptr<SaveDevice> device = open ? open(path) : openSaveFile(path);
    return device && device->open() && device->write(bytes) && device->commit();
}

} // namespace zn
