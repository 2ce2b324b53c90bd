// The peers that are online, keyed by machine name. The main window's user
// list shows it through a model; the per-peer menus are built from it when
// they open.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

#include <memory>

namespace zn {

struct LocalPeer;
class RosterIndex;
struct Settings;

struct TPeer {
    QByteArray HandleName;
    QByteArray MachineName; // the key, compared byte for byte
    QByteArray Address;     // as the peer announced it
    bool Absent = false;
};

// How a row came to be: announced by the machine itself (its LOGIN, or its
// answer to this copy's LOGIN), or unsolicited (an INFO_CHANGE from a
// machine never seen to log in). Anyone can send either in any name; only
// the unsolicited kind comes without a limit of its own in time, so a full
// list makes room for an announced machine by dropping unsolicited rows first.
enum class PeerOrigin { Announced, Unsolicited };

class Roster : public QObject {
    Q_OBJECT
public:
    enum Column { HandleColumn = 0, MachineColumn = 1, AddressColumn = 2, ColumnCount = 3 };

    // The sort state lives in `settings` (SortIndex, SortUpper); a column
    // click changes it there.
    Roster(Settings &settings, const LocalPeer &local, QObject *parent = nullptr);
    ~Roster() override;

    // The rows in order. Built when asked after a change (a pass over every
    // row); the user list asks for single rows with peerAt().
    const QList<TPeer> &peers() const;
    const TPeer &peerAt(int row) const;
    qsizetype count() const;
    // The row of that machine, or -1; a lookup costs log N.
    int indexOfMachine(const QByteArray &machineName) const;
    // Whether that machine is listed: one hash lookup, no row asked.
    bool contains(const QByteArray &machineName) const;

    // The most rows: announcements in ever new names (anyone can send them)
    // must not grow the list without bound. A segment of 10,000 copies fits.
    static constexpr int MaxPeers = 16384;

    // Updates the row of that machine (a changed sort key moves it to its
    // place at once, costing log N), or appends a row (joined) and
    // re-sorts.
    // While MaxPeers rows are listed, a new announced machine takes the
    // place of the oldest unsolicited row (else of the oldest other row but
    // the local machine's), quietly; a new unsolicited one is ignored. An
    // announcement of a listed machine makes its row an announced one.
    void AddOrUpdatePeer(const QByteArray &handleName, const QByteArray &machineName, const QByteArray &address,
                         bool absent, PeerOrigin origin = PeerOrigin::Announced);
    // Removes the row (left); unknown names do nothing.
    void RemovePeer(const QByteArray &machineName);
    // The refresh command: every row goes, without joined, left or count.
    void clear();

    // The handle name of that machine, or "Unknow" when it is not listed.
    QByteArray FindHandleByMachine(const QByteArray &machineName) const;
    // Its address, or empty when it is not listed.
    QByteArray FindAddressByMachine(const QByteArray &machineName) const;

    // Sorts by column 0 handle name, 1 machine name, 2 address, in the
    // direction of Settings::SortUpper, with locale-aware comparison of the
    // decoded texts. Rows with equal keys keep their relative order.
    void SortPeers();

    // A click on a column header: the sorted column reverses its direction,
    // another column becomes the sorted one, ascending. Re-sorts and returns
    // true when the sort settings changed, so that the caller writes them to
    // the settings file; false for a column that does not exist.
    bool columnClicked(int column);

    // The sorted column; a stored value outside 0 to 2 counts as 0.
    static int effectiveSortIndex(const Settings &settings);
    int sortIndex() const { return effectiveSortIndex(m_settings); }
    bool sortUpper() const;

signals:
    void aboutToInsert(int row);
    void inserted(int row);
    // A listed row's texts or absence changed (a repeated announcement
    // that changes neither is not told).
    void changed(int row);
    void aboutToRemove(int row);
    void removed(int row);
    // One row moves from row `from` to stand at row `to` (rows before the move).
    void aboutToMove(int from, int to);
    void moved(int from, int to);
    void aboutToReorder();
    // newRowOf[old row] is the row where that peer now stands.
    void reordered(const QList<int> &newRowOf);
    void aboutToReset();
    void reset();
    // A new row, after inserted(): announced by its machine or not, the
    // local machine's own included. A row that gives way to it in a full
    // list goes without left().
    void joined(const TPeer &peer);
    // RemovePeer() took the row, the local machine's own included.
    void left(const TPeer &peer);
    // The online count to show; not emitted by updates or clear().
    void countChanged(int count);
    // The sort column or direction changed: the column captions change.
    void sortChanged();

private:
    // Makes room for an announced machine in a full list; false when only
    // the local machine's row is left to give way.
    bool evictForNewcomer();

    Settings &m_settings;
    const LocalPeer &m_local;
    std::unique_ptr<RosterIndex> m_index;
};

} // namespace zn
