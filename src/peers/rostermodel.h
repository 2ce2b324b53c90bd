#pragma once

#include <QAbstractTableModel>
#include <QPixmap>

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
    // The sort column or direction changed: the captions carry the mark.
    void refreshHeader();

private:
    Roster &m_roster;
    // Painted once: a list of thousands repaints its rows often.
    QPixmap m_presentIcon;
    QPixmap m_absentIcon;
};

} // namespace zn
