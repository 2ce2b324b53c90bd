#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <QStringList>
#include <QTimer>

namespace zn {

class Roster;

// The user list's view of the roster: one row per peer, columns handle name,
// machine name and address, the star image showing presence or absence.
class RosterModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RosterModel(Roster &roster, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    bool isAbsent(int row) const;
    // "名前", "マシン名", "IPアドレス", the sorted one marked "　△" when
    // ascending, "　▽" when descending: {"名前　△", "マシン名", "IPアドレス"}.
    // A column outside 0 to 2 counts as 0.
    static QStringList columnCaptions(int sortIndex, bool sortUpper);
    // The sort column or direction changed (the model follows the roster's
    // sortChanged itself): the captions carry the mark.
    void refreshHeader();
    // Changed rows are told to the views together, at most this long after
    // the first of them: a busy segment may change thousands of rows a
    // second, and a view that is told of each works out where it stands
    // and draws the list again each time.
    static constexpr int ChangedRowsDelayMs = 200;
    // While nobody sees the list (its window hidden or minimised), changed
    // rows are held until it is seen again. Rows coming, going and moving
    // are always told at once.
    void setQuiet(bool quiet);
    bool isQuiet() const { return m_quiet; }

private:
    // Tells the views of the changed rows held, as one range.
    void tellChangedRows();

    Roster &m_roster;
    bool m_quiet = false;
    // The first and last changed row not told yet, or -1.
    int m_changedFirst = -1;
    int m_changedLast = -1;
    QTimer m_changedTimer;
    // Painted once: a list of thousands repaints its rows often.
    QPixmap m_presentIcon;
    QPixmap m_absentIcon;
};

} // namespace zn
