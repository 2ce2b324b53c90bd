// The peers that are online, keyed by machine name. The main window's user
// list shows it through a model; the per-peer menus are built from it when
// they open.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

namespace zn {

class Frontend;
struct LocalPeer;
struct Settings;

struct TPeer {
    QByteArray HandleName;
    QByteArray MachineName;   // the key, compared byte for byte
    QByteArray Address;       // as the peer announced it
    bool Absent = false;
};

class Roster : public QObject {
    Q_OBJECT
public:
    Roster(const Settings &settings, const LocalPeer &local, Frontend &frontend,
           QObject *parent = nullptr);

    const QList<TPeer> &peers() const { return m_peers; }
    qsizetype count() const { return m_peers.size(); }
    int indexOfMachine(const QByteArray &machineName) const;

    // Updates the row of that machine in place, or appends a row, gives the
    // online sound and notice (never for the local machine) and re-sorts.
    void AddOrUpdatePeer(const QByteArray &handleName, const QByteArray &machineName,
                         const QByteArray &address, bool absent);
    // Removes the row, with the offline sound and notice; unknown names do nothing.
    void RemovePeer(const QByteArray &machineName);
    // The refresh command: every row goes, without sound, notice or count.
    void clear();

    // The handle name of that machine, or "Unknow" when it is not listed.
    QByteArray FindHandleByMachine(const QByteArray &machineName) const;
    // Its address, or empty when it is not listed.
    QByteArray FindAddressByMachine(const QByteArray &machineName) const;

    // Sorts by column 0 handle name, 1 machine name, 2 address, in the
    // direction of Settings::SortUpper, with locale-aware comparison.
    void SortPeers();

signals:
    void aboutToInsert(int row);
    void inserted(int row);
    void changed(int row);
    void aboutToRemove(int row);
    void removed(int row);
    void aboutToReorder();
    // newRowOf[old row] is the row where that peer now stands.
    void reordered(const QList<int> &newRowOf);
    void aboutToReset();
    void reset();
    // The online count to show; not emitted by updates or clear().
    void countChanged(int count);

private:
    const Settings &m_settings;
    const LocalPeer &m_local;
    Frontend &m_frontend;
    QList<TPeer> m_peers;
};

} // namespace zn
