#include "peers/rostermodel.h"

#include "common/codec.h"
#include "peers/roster.h"
#include "platform/iconstrip.h"

#include <utility>

namespace zn {

namespace {
// Tool tips guess at rich text, so a name from the network is given as
// explicit rich text that shows it exactly: markup characters escaped, and
// the blanks and line breaks that rich text would fold kept:
//   "<b>x</b>" -> "<qt>&lt;b&gt;x&lt;/b&gt;</qt>"
//   "a  b\t"   -> "<qt>a _b_</qt>", each _ a no-break space (U+00A0)
QString plainTip(const QString &text)
{
    const QString escaped = text.toHtmlEscaped();
    QString tip = u"<qt>"_qs;
    tip.reserve(escaped.size() + 10);
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const QChar c = escaped.at(i);
        if (c == u'\n') {
            tip += u"<br>"_qs;
        } else if (c == u'\r') {
            if (i + 1 == escaped.size() || escaped.at(i + 1) != u'\n')
                tip += u"<br>"_qs;
        } else if (c == u'\t' || (c.isSpace() && (i == 0 || i + 1 == escaped.size() || escaped.at(i - 1).isSpace()))) {
            // One blank between words stays breakable; any more, blanks at
            // either end, and a tab would fold into one or vanish.
            tip += QChar::Nbsp;
        } else {
            tip += c;
        }
    }
    return tip + u"</qt>"_qs;
}
} // namespace

RosterModel::RosterModel(Roster &roster, QObject *parent)
    : QAbstractTableModel(parent), m_roster(roster), m_presentIcon(IconStrip::pixmap(IconStrip::Present)),
      m_absentIcon(IconStrip::pixmap(IconStrip::Absent))
{
    // Rows coming, going and moving are told at once, after the changed
    // rows held so far, whose numbers they would shift.
    m_changedTimer.setSingleShot(true);
    m_changedTimer.setInterval(ChangedRowsDelayMs);
    connect(&m_changedTimer, &QTimer::timeout, this, &RosterModel::tellChangedRows);
    connect(&roster, &Roster::aboutToInsert, this, [this](int row) {
        tellChangedRows();
        beginInsertRows({}, row, row);
    });
    connect(&roster, &Roster::inserted, this, [this] { endInsertRows(); });
    connect(&roster, &Roster::aboutToRemove, this, [this](int row) {
        tellChangedRows();
        beginRemoveRows({}, row, row);
    });
    connect(&roster, &Roster::removed, this, [this] { endRemoveRows(); });
    connect(&roster, &Roster::changed, this, [this](int row) {
        m_changedFirst = m_changedFirst < 0 ? row : qMin(m_changedFirst, row);
        m_changedLast = qMax(m_changedLast, row);
        if (!m_quiet && !m_changedTimer.isActive())
            m_changedTimer.start();
    });
    connect(&roster, &Roster::aboutToReset, this, [this] {
        m_changedTimer.stop();
        m_changedFirst = m_changedLast = -1;
        beginResetModel();
    });
    connect(&roster, &Roster::reset, this, [this] { endResetModel(); });
    connect(&roster, &Roster::aboutToMove, this, [this](int from, int to) {
        tellChangedRows();
        beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    });
    connect(&roster, &Roster::moved, this, [this] { endMoveRows(); });
    connect(&roster, &Roster::sortChanged, this, &RosterModel::refreshHeader);
    connect(&roster, &Roster::aboutToReorder, this, [this] {
        tellChangedRows();
        emit layoutAboutToBeChanged();
    });
    connect(&roster, &Roster::reordered, this, [this](const QList<int> &newRowOf) {
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex &old : before) {
            const int row = old.row() < newRowOf.size() ? newRowOf.at(old.row()) : -1;
            after.append(row < 0 ? QModelIndex() : index(row, old.column()));
        }
        changePersistentIndexList(before, after);
        emit layoutChanged();
        refreshHeader();
    });
}

int RosterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_roster.count());
}

int RosterModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant RosterModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const TPeer &peer = m_roster.peerAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const QByteArray &bytes = index.column() == 0 ? peer.HandleName
            : index.column() == 1                     ? peer.MachineName
                                                      : peer.Address;
        const QString text = cp932::decode(bytes);
        return role == Qt::ToolTipRole ? plainTip(text) : text;
    }
    case Qt::DecorationRole:
        if (index.column() == 0)
            return peer.Absent ? m_absentIcon : m_presentIcon;
        return {};
    // The icon's meaning in words, for those who do not see it.
    case Qt::AccessibleTextRole:
        if (index.column() == 0 && peer.Absent)
            return tr("%1（不在）").arg(cp932::decode(peer.HandleName));
        return data(index, Qt::DisplayRole);
    case Qt::AccessibleDescriptionRole:
        if (index.column() == 0)
            return peer.Absent ? tr("不在") : tr("在席");
        return {};
    default: return {};
    }
}

QVariant RosterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 2)
        return {};
    return columnCaptions(m_roster.sortIndex(), m_roster.sortUpper()).at(section);
}

QStringList RosterModel::columnCaptions(int sortIndex, bool sortUpper)
{
    QStringList captions{tr("名前"), tr("マシン名"), tr("IPアドレス")};
    if (sortIndex < 0 || sortIndex >= Roster::ColumnCount)
        sortIndex = Roster::HandleColumn;
    captions[sortIndex] += sortUpper ? tr("　△") : tr("　▽");
    return captions;
}

Qt::ItemFlags RosterModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool RosterModel::isAbsent(int row) const
{
    return row >= 0 && row < m_roster.count() && m_roster.peerAt(row).Absent;
}

void RosterModel::setQuiet(bool quiet)
{
    m_quiet = quiet;
    if (quiet)
        m_changedTimer.stop();
    else
        tellChangedRows();
}

void RosterModel::tellChangedRows()
{
    m_changedTimer.stop();
    if (m_changedFirst < 0)
        return;
    const int first = std::exchange(m_changedFirst, -1);
    const int last = std::exchange(m_changedLast, -1);
    emit dataChanged(index(first, 0), index(last, columnCount() - 1));
}

void RosterModel::refreshHeader()
{
    emit headerDataChanged(Qt::Horizontal, 0, 2);
}

} // namespace zn
