// A save device that fails one chosen step and passes the others to a real
// QSaveFile, so that the writers' error paths run for any user, root
// included. A failing write passes its first bytes on before it fails, as a
// disk that fills up does.
#pragma once

#include "common/savefile.h"

#include <QStringList>

#include <memory>

namespace zn::test {

class FailDevice final : public SaveDevice {
public:
    enum Step { None, Open, Write, Commit };

    FailDevice(const QString &path, Step failAt, QStringList *steps = nullptr)
        : m_real(openSaveFile(path)), m_failAt(failAt), m_steps(steps)
    {}

    bool open() override
    {
        record(QStringLiteral("open"));
        return m_failAt != Open && m_real->open();
    }
    bool write(QByteArrayView bytes) override
    {
        record(QStringLiteral("write"));
        if (m_failAt == Write) {
            (void)m_real->write(bytes.first(bytes.size() / 2));
            return false;
        }
        return m_real->write(bytes);
    }
    bool commit() override
    {
        record(QStringLiteral("commit"));
        return m_failAt != Commit && m_real->commit();
    }

    // Every device `open` gives fails at `failAt`.
    static OpenSaveDevice opener(Step failAt, QStringList *steps = nullptr)
    {
        return [failAt, steps](const QString &path) { return std::make_unique<FailDevice>(path, failAt, steps); };
    }

private:
    void record(const QString &step)
    {
        if (m_steps)
            m_steps->append(step);
    }

    std::unique_ptr<SaveDevice> m_real;
    Step m_failAt;
    QStringList *m_steps;
};

} // namespace zn::test
