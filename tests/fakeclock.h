// A clock for tests of the core: it moves only when told.
#pragma once

#include "common/clock.h"

namespace zn::test {

class FakeClock : public Clock {
public:
    qint64 ms = 0;
    QDateTime wall = QDateTime(QDate(2024, 4, 1), QTime(9, 0));
    qint64 monotonicMs() const override { return ms; }
    QDateTime now() const override { return wall.addMSecs(ms); }
    void advance(qint64 delta) { ms += delta; }
};

} // namespace zn::test
