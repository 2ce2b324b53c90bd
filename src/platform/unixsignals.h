#pragma once

#include <QObject>

class QSocketNotifier;

namespace zn {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread, so
// that the program shuts down in order (LOGOUT, positions saved) instead of
// dying mid-way. Only one instance may exist.
class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit UnixSignalWatcher(QObject *parent = nullptr);
    ~UnixSignalWatcher() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace zn
