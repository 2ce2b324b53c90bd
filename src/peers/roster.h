// The peers that are online, keyed by machine name. The main window's user
// list shows it through a model; the per-peer menus are built from it when
// they open.
#pragma once

#include <QByteArray>
#include <QCollator>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <vector>

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
    enum Column { HandleColumn = 0, MachineColumn = 1, AddressColumn = 2, ColumnCount = 3 };

    // The sort state lives in `settings` (SortIndex, SortUpper); a column
    // click changes it there.
    Roster(Settings &settings, const LocalPeer &local, Frontend &frontend,
           QObject *parent = nullptr);

    const QList<TPeer> &peers() const { return m_peers; }
    qsizetype count() const { return m_peers.size(); }
    int indexOfMachine(const QByteArray &machineName) const;

    // The most rows: announcements in ever new names (anyone can send them)
    // must not grow the list without bound. A segment of 10,000 copies fits.
    static constexpr int MaxPeers = 16384;

    // Updates the row of that machine in place, or appends a row, gives the
    // online sound and notice (never for the local machine) and re-sorts.
    // A new machine while MaxPeers rows are listed is ignored.
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
    // "名前", "マシン名", "IPアドレス", the sorted one marked "　△" when
    // ascending, "　▽" when descending: {"名前　△", "マシン名", "IPアドレス"}.
    static QStringList columnCaptions(int sortIndex, bool sortUpper);
    QStringList columnCaptions() const;

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
    // The sort column or direction changed: the column captions change.
    void sortChanged();

private:
    QCollatorSortKey keyOf(const TPeer &peer, int column) const;
    int compareRows(int a, int b) const;
    void rebuildKeys(int column);
    bool inOrderAround(int row) const;
    bool sortStateCurrent() const;
    // Rows were inserted, removed or moved: the index of names is stale.
    void rowsMoved();

    Settings &m_settings;
    const LocalPeer &m_local;
    Frontend &m_frontend;
    QList<TPeer> m_peers;
    // The sort key of each row for the column m_keyColumn, in row order:
    // each text is decoded and collated once.
    std::vector<QCollatorSortKey> m_keys;
    QCollator m_collator;
    int m_keyColumn = 0;
    // The rows stand in the order of m_keyColumn in the direction
    // m_sortedUpper, so a new row can be inserted at its place instead of
    // sorting all rows again.
    bool m_sorted = true;
    bool m_sortedUpper = true;
    // Machine name -> row, built once this many lookups found the rows
    // unchanged; a flood of announcements then costs no scan of every row.
    static constexpr int IndexAfterScans = 8;
    mutable QHash<QByteArray, int> m_index;
    mutable bool m_indexValid = false;
    mutable int m_scansSinceChange = 0;
};

} // namespace zn
