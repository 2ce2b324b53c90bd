#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <QStringList>

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
    // While nobody sees the list (its window hidden or minimised), a row
    // whose texts change is not told to the views one by one: a busy
    // segment changes thousands of rows a minute, and a view that is told
    // works out where each row stands. Leaving the quiet tells them once
    // that every row may have changed. Rows coming and going are always told.
    void setQuiet(bool quiet);
    bool isQuiet() const { return m_quiet; }

private:
    Roster &m_roster;
    bool m_quiet = false;
    bool m_changedWhileQuiet = false;
    // Painted once: a list of thousands repaints its rows often.
    QPixmap m_presentIcon;
    QPixmap m_absentIcon;
};

} // namespace zn
