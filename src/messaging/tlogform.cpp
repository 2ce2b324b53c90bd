#include "messaging/tlogform.h"

#include "common/codec.h"
#include "common/frontend.h"
#include "common/logwriter.h"
#include "messaging/formparts.h"
#include "peers/roster.h"
#include "platform/fonts.h"
#include "platform/iconstrip.h"
#include "platform/windowtrayicon.h"
#include "session/session.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <utility>

namespace zn {

namespace {

const char Caption[] = QT_TRANSLATE_NOOP("zn::TLogForm", "Zephinet -ログビューア-");
const char SendAgainCaption[] = QT_TRANSLATE_NOOP("zn::TLogForm", "再送信(&S)");
const char ReplyCaption[] = QT_TRANSLATE_NOOP("zn::TLogForm", "返信(&S)");

} // namespace

TLogForm::TLogForm(Session &session, Frontend &frontend, int fontSize, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session), m_frontend(frontend)
{
    setObjectName(QStringLiteral("LogForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr(Caption));

    laTitle = headerLabel(tr("情報"), Qt::blue, this);
    laTitle->setObjectName(QStringLiteral("laTitle"));
    Label1 = headerLabel(tr("メッセージ"), Qt::red, this);
    Label1->setObjectName(QStringLiteral("Label1"));

    auto *info = new QWidget(this);
    auto *grid = new QGridLayout(info);
    grid->setContentsMargins(4, 2, 4, 2);
    auto row = [info, grid](int r, const QString &caption, const char *labelName, const char *editName, QLabel *&label,
                            QLineEdit *&edit) {
        label = new QLabel(caption, info);
        label->setObjectName(QString::fromLatin1(labelName));
        edit = new QLineEdit(info);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setReadOnly(true);
        label->setBuddy(edit);
        grid->addWidget(label, r, 0);
        grid->addWidget(edit, r, 1);
    };
    row(0, tr("送信者"), "laHandleName", "edSendUser", laHandleName, edSendUser);
    row(1, tr("受信者"), "laMachineName", "edRecvUser", laMachineName, edRecvUser);
    row(2, tr("記録日時"), "laRecvTime", "edSaveDate", laRecvTime, edSaveDate);

    mmLogData = new QPlainTextEdit(this);
    mmLogData->setObjectName(QStringLiteral("mmLogData"));
    mmLogData->setAccessibleName(tr("メッセージ"));
    mmLogData->setReadOnly(true);
    mmLogData->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    mmLogData->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    mmLogData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto button = [this](const QString &caption, const char *name) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    btDelete = button(tr("全消去(&D)"), "btDelete");
    btReSend = button(tr(SendAgainCaption), "btReSend");
    btPrev = button(QStringLiteral("≪"), "btPrev");
    btNext = button(QStringLiteral("≫"), "btNext");
    btOk = button(tr("閉じる(&C)"), "btOk");
    for (QPushButton *step : {btPrev, btNext})
        step->setMaximumWidth(step->fontMetrics().horizontalAdvance(QStringLiteral("≪≪≪")) + 16);
    connect(btDelete, &QPushButton::clicked, this, &TLogForm::btDeleteClick);
    connect(btReSend, &QPushButton::clicked, this, &TLogForm::btReSendClick);
    connect(btPrev, &QPushButton::clicked, this, &TLogForm::btPrevClick);
    connect(btNext, &QPushButton::clicked, this, &TLogForm::btNextClick);
    // The page keys step as the two buttons do (newer, older), and like
    // them do nothing at either end.
    connect(new QShortcut(QKeySequence(Qt::Key_PageUp), this), &QShortcut::activated, btPrev, &QPushButton::click);
    connect(new QShortcut(QKeySequence(Qt::Key_PageDown), this), &QShortcut::activated, btNext, &QPushButton::click);
    // Escape does what the close button does, as in every window of the program.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, btOk, &QPushButton::click);
    connect(btOk, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btDelete);
    buttons->addWidget(btReSend);
    buttons->addStretch();
    buttons->addWidget(btPrev);
    buttons->addWidget(btNext);
    buttons->addWidget(btOk);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(laTitle);
    layout->addWidget(info);
    layout->addWidget(Label1);
    layout->addWidget(mmLogData, 1);
    layout->addLayout(buttons);

    m_trayIcon = new WindowTrayIcon(this, IconStrip::LogViewer, tr(Caption));
    restorePlacement(this, m_session, PlacementSection::LogForm, DesignSize);
    setDisplayFontSize(fontSize);

    connect(&m_session.log(), &LogFile::written, this, &TLogForm::LoadLog);
    LoadLog();
    // The window opens with the focus on a button, not in a read-only field.
    btOk->setFocus();
}

TLogForm::~TLogForm()
{
    m_session.writePlacement(PlacementSection::LogForm, {x(), y(), width(), height()});
}

void TLogForm::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    QWidget::closeEvent(event);
}

void TLogForm::setDisplayFontSize(int points)
{
    mmLogData->setFont(MessageFont(points));
}

void TLogForm::LoadLog()
{
    const QList<LogRecord> before = std::exchange(m_records, {});
    LoadedLog log = m_session.log().LoadLog();
    switch (log.state) {
    case LoadedLog::Records:
        m_records = std::move(log.records);
        m_view = View::Records;
        m_position = positionAfterReload(before, m_position, m_records);
        ShowLogRecord();
        break;
    case LoadedLog::NoLog: showEmpty(View::NoLog); break;
    case LoadedLog::InvalidFile: showEmpty(View::InvalidFile); break;
    }
}

int TLogForm::positionAfterReload(const QList<LogRecord> &before, int position, const QList<LogRecord> &after)
{
    if (position < 0 || position >= before.size())
        return 0;
    // New records come at the top and the oldest may drop at the bottom, any
    // number of each at once: one write holds every record of one pass of
    // the event loop, and another copy may share the file. The record on
    // screen is found again by its contents, with the records after it
    // (a few suffice) telling apart identical ones written in one second.
    constexpr int Compared = 8;
    for (qsizetype shift = 0; position + shift < after.size(); ++shift) {
        bool same = true;
        for (qsizetype i = 0;
             same && i < Compared && position + i < before.size() && position + shift + i < after.size(); ++i)
            same = before[position + i] == after[position + shift + i];
        if (same)
            return int(position + shift);
    }
    // Gone (the log was cleared or replaced): the same place, as far as it goes.
    return position;
}

void TLogForm::showEmpty(View view)
{
    m_view = view;
    m_action = Action::None;
    for (QLineEdit *edit : {edSendUser, edRecvUser, edSaveDate})
        edit->clear();
    const bool noLog = view == View::NoLog;
    mmLogData->setPlainText(noLog ? tr("記録されているログはありません。") : tr("ログファイルが不正です。"));
    mmLogData->setEnabled(false);
    btPrev->setEnabled(false);
    btNext->setEnabled(false);
    // Nothing to send again or answer.
    btReSend->setText(tr(SendAgainCaption));
    btReSend->setEnabled(false);
    setWindowTitle(tr(Caption) + (noLog ? QStringLiteral(" [0/0]") : tr(" [ログオープンエラー]")));
}

void TLogForm::ShowLogRecord()
{
    if (m_records.isEmpty()) {
        showEmpty(View::NoLog);
        return;
    }
    const int last = int(m_records.size()) - 1;
    m_position = qBound(0, m_position, last);
    const LogRecord &record = m_records.at(m_position);
    edSendUser->setText(cp932::decode(record.SendUser));
    edRecvUser->setText(cp932::decode(record.RecvUser));
    edSaveDate->setText(cp932::decode(record.SaveDate));
    for (QLineEdit *edit : {edSendUser, edRecvUser, edSaveDate})
        edit->setCursorPosition(0);
    mmLogData->setPlainText(cp932::toWidgetText(record.LogData));
    mmLogData->setEnabled(true);
    setWindowTitle(tr(Caption) + QStringLiteral(" [%1/%2]").arg(m_position + 1).arg(m_records.size()));
    btPrev->setEnabled(m_position != 0);
    btNext->setEnabled(m_position != last);

    const QByteArray local = PeerLabel(m_session.settings.HandleName, m_session.local.MachineName);
    if (record.RecvUser == local)
        m_action = Action::Reply;
    else if (record.SendUser == local)
        m_action = Action::SendAgain;
    else
        m_action = Action::None; // written under a former handle or machine name
    btReSend->setText(m_action == Action::Reply ? tr(ReplyCaption) : tr(SendAgainCaption));
    btReSend->setEnabled(m_action != Action::None);
}

void TLogForm::btNextClick()
{
    ++m_position;
    ShowLogRecord();
}

void TLogForm::btPrevClick()
{
    --m_position;
    ShowLogRecord();
}

void TLogForm::btDeleteClick()
{
    // The box runs a nested event loop in which the program may be told to
    // quit, which destroys this window.
    const QPointer<TLogForm> self(this);
    if (m_frontend.showMessageBox(tr("ログをクリアしてもよろしいですか？"), mb::YesNo | mb::IconQuestion)
        != Answer::Yes)
        return;
    if (!self)
        return;
    m_session.log().DeleteLog();
    // Whatever is left is shown: a file that could not be deleted keeps its
    // records on screen.
    LoadLog();
}

void TLogForm::btReSendClick()
{
    if (m_action == Action::None || m_position < 0 || m_position >= m_records.size())
        return;
    const LogRecord record = m_records.at(m_position);
    const Action action = m_action;
    const TPeer *peer =
        FindLabelledPeer(action == Action::SendAgain ? record.RecvUser : record.SendUser, m_session.roster());
    if (!peer) {
        m_frontend.showMessageBox(tr("対象となる相手先がオフラインかマシン名が変更されたため、"
                                     "再送信、及び返信することはできません。"),
                                  mb::Ok | mb::IconWarning);
        return;
    }
    const Recipient recipient{peer->HandleName, peer->MachineName};
    const QString text = cp932::toWidgetText(record.LogData);
    if (action == Action::SendAgain)
        emit sendRequested({recipient}, text);
    else
        emit sendRequested({recipient}, m_session.settings.ReturnMessagePlus ? quoted(text) : QString());
}

QString TLogForm::quoted(const QString &text)
{
    QStringList lines = text.split(u'\n');
    // A text that ends in a line break has no line after it.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QString out;
    for (const QString &line : std::as_const(lines))
        out += u'>' + line + u'\n';
    return out;
}

} // namespace zn
