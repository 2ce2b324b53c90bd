#include "messaging/trecvform.h"

#include "common/codec.h"
#include "messaging/formparts.h"
#include "platform/fonts.h"
#include "platform/iconstrip.h"
#include "platform/windowtrayicon.h"
#include "session/session.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>

namespace zn {

TRecvForm::TRecvForm(Session &session, int fontSize, QWidget *parent) : QWidget(parent, Qt::Window), m_session(session)
{
    setObjectName(QStringLiteral("RecvForm"));
    setWindowTitle(tr("Zephinet -メッセージ受信-"));

    plRecvInfo = new QWidget(this);
    plRecvInfo->setObjectName(QStringLiteral("plRecvInfo"));
    auto *grid = new QGridLayout(plRecvInfo);
    grid->setContentsMargins(4, 2, 4, 2);
    auto row = [this, grid](int r, const QString &caption, const char *labelName, const char *editName, QLabel *&label,
                            QLineEdit *&edit) {
        label = new QLabel(caption, plRecvInfo);
        label->setObjectName(QString::fromLatin1(labelName));
        edit = new QLineEdit(plRecvInfo);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setReadOnly(true);
        label->setBuddy(edit);
        grid->addWidget(label, r, 0);
        grid->addWidget(edit, r, 1);
    };
    row(0, tr("ハンドル名"), "laHandleName", "edHandleName", laHandleName, edHandleName);
    row(1, tr("マシン名"), "laMachineName", "edMachineName", laMachineName, edMachineName);
    row(2, tr("受信日時"), "laRecvTime", "edRecvTime", laRecvTime, edRecvTime);

    mmRecvData = new QPlainTextEdit(this);
    mmRecvData->setObjectName(QStringLiteral("mmRecvData"));
    mmRecvData->setReadOnly(true);
    mmRecvData->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    mmRecvData->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    mmRecvData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Read with the keys too: a caret moves through the text, Tab leaves it.
    mmRecvData->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    mmRecvData->setTabChangesFocus(true);
    mmRecvData->setAccessibleName(tr("受信メッセージ"));

    btRecv = new QPushButton(tr("返信(&R)"), this);
    btRecv->setObjectName(QStringLiteral("btRecv"));
    btNext = new QPushButton(tr("次のメッセージ(&N)"), this);
    btNext->setObjectName(QStringLiteral("btNext"));
    btNext->setEnabled(false);
    btOk = new QPushButton(tr("確認(&C)"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    connect(btRecv, &QPushButton::clicked, this, &TRecvForm::btRecvClick);
    connect(btNext, &QPushButton::clicked, this, &TRecvForm::nextRequested);
    connect(btOk, &QPushButton::clicked, this, &QWidget::hide);
    // Escape does what "確認(&C)" does.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::hide);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btRecv);
    buttons->addStretch();
    buttons->addWidget(btNext);
    buttons->addWidget(btOk);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(headerLabel(tr("送信者情報"), Qt::blue, this));
    layout->addWidget(plRecvInfo);
    layout->addWidget(headerLabel(tr("受信メッセージ"), Qt::red, this));
    layout->addWidget(mmRecvData, 1);
    layout->addLayout(buttons);

    m_trayIcon = new WindowTrayIcon(this, IconStrip::RecvWindow, tr("Zephinet -受信ウィンドウ-"));
    restorePlacement(this, m_session, PlacementSection::RecvForm, DesignSize);
    setDisplayFontSize(fontSize);
    // Opened, the window reads out the message first.
    mmRecvData->setFocus();
}

TRecvForm::~TRecvForm() = default;

void TRecvForm::savePlacement()
{
    m_session.writePlacement(PlacementSection::RecvForm, {x(), y(), width(), height()});
}

void TRecvForm::showMessage(const TRecvMessage &message)
{
    m_handle = message.HandleName;
    m_machine = message.MachineName;
    edHandleName->setText(cp932::decode(message.HandleName));
    edMachineName->setText(cp932::decode(message.MachineName));
    edRecvTime->setText(cp932::decode(message.RecvTime));
    for (QLineEdit *edit : {edHandleName, edMachineName, edRecvTime})
        edit->setCursorPosition(0);
    mmRecvData->setPlainText(cp932::toWidgetText(message.RecvData));
}

void TRecvForm::setDisplayFontSize(int points)
{
    mmRecvData->setFont(MessageFont(points));
}

QString TRecvForm::quotedText() const
{
    QString out;
    const QTextDocument *document = mmRecvData->document();
    // The editor lays out only the blocks it has shown; the others are laid
    // out here at its width, so that the quote does not depend on scrolling.
    const auto *documentLayout = qobject_cast<QPlainTextDocumentLayout *>(document->documentLayout());
    for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        // A text that ends in a line break has no line after it, and an
        // empty text has no line at all.
        if (text.isEmpty() && block == document->lastBlock())
            break;
        if (documentLayout)
            documentLayout->ensureBlockLayout(block);
        const QTextLayout *layout = block.layout();
        if (!layout || layout->lineCount() == 0) {
            out += u'>' + text + u'\n';
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            out += u'>' + text.mid(line.textStart(), line.textLength()) + u'\n';
        }
    }
    return out;
}

void TRecvForm::showEvent(QShowEvent *event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TRecvForm::FormShow()
{
    const Settings &s = m_session.settings;
    laMachineName->setVisible(!s.RecvMachineHide);
    edMachineName->setVisible(!s.RecvMachineHide);
    laRecvTime->setVisible(!s.RecvDateHide);
    edRecvTime->setVisible(!s.RecvDateHide);
}

void TRecvForm::btRecvClick()
{
    if (m_session.settings.ReturnRecvHide)
        hide();
    else
        btOk->setFocus();
    emit replyRequested();
}

} // namespace zn
