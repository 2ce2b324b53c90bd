// The options window's controls and their layout: the six pages in their
// tabs, then the three buttons, made in the window's tab order. The edits
// and check boxes that Enter applies from are watched by the window; what
// the controls do is wired in toptionform.cpp.
#include "options/optionparts.h"
#include "options/toptionform.h"
#include "platform/fonts.h"
#include "platform/iconstrip.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zn {

namespace {

// The group icons of the pages, by the image index their paint boxes carry:
// 0 local user, 1 absence, 2 behaviour, 3 animation, 4 security, 5 log,
// 6 network users, 7 port, 8 events, 9 sound.
QPixmap groupIcon(const QStyle *style, int index)
{
    static constexpr QStyle::StandardPixmap Pixmaps[] = {
        QStyle::SP_ComputerIcon, QStyle::SP_MessageBoxInformation, QStyle::SP_FileDialogDetailedView,
        QStyle::SP_MediaPlay,    QStyle::SP_MessageBoxWarning,     QStyle::SP_FileIcon,
        QStyle::SP_DriveNetIcon, QStyle::SP_DirLinkIcon,           QStyle::SP_MessageBoxQuestion,
        QStyle::SP_MediaVolume};
    return style->standardIcon(Pixmaps[index]).pixmap(32, 32);
}

// A page's group: its icon at the top left, the description beside it,
// then `content`.
struct Group {
    QGroupBox *box;
    QVBoxLayout *content;
};

Group makeGroup(QWidget *page, const QString &title, const char *iconName, int iconIndex, const QString &description)
{
    auto *box = new QGroupBox(title, page);
    auto *icon = new QLabel(box);
    icon->setObjectName(QString::fromLatin1(iconName));
    icon->setProperty("tag", iconIndex);
    icon->setPixmap(groupIcon(page->style(), iconIndex));
    icon->setFixedSize(32, 32);
    auto *text = new QLabel(description, box);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto *head = new QHBoxLayout;
    head->setSpacing(8);
    head->addWidget(icon, 0, Qt::AlignTop);
    head->addWidget(text, 1);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(8, 2, 8, 6);
    layout->setSpacing(3);
    layout->addLayout(head);
    auto *content = new QVBoxLayout;
    content->setSpacing(2);
    layout->addLayout(content);
    return {box, content};
}

QVBoxLayout *pageLayout(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    return layout;
}

QLineEdit *lineEdit(QWidget *parent, const char *name, int maxLength = 0)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLabel *label(QWidget *parent, const char *name, const QString &caption)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

// Read-only and drawn grey, as a field that only shows.
void showOnly(QLineEdit *edit)
{
    edit->setReadOnly(true);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    palette.setColor(QPalette::Text, palette.color(QPalette::Disabled, QPalette::Text));
    edit->setPalette(palette);
}

} // namespace

void TOptionForm::layOut()
{
    pcOption = new QTabWidget(this);
    pcOption->setObjectName(QStringLiteral("pcOption"));
    // Every page's tab in sight: the window widens when the captions need it.
    pcOption->setUsesScrollButtons(false);
    const std::pair<QWidget **, const char *> pages[] = {{&tsLocal, "tsLocal"}, {&tsSetting, "tsSetting"},
                                                         {&tsLog, "tsLog"},     {&tsNetwork, "tsNetwork"},
                                                         {&tsIvent, "tsIvent"}, {&tsSound, "tsSound"}};
    for (const auto &[page, name] : pages) {
        *page = new QWidget(pcOption);
        (*page)->setObjectName(QString::fromLatin1(name));
    }
    buildLocalPage();
    buildSettingPage();
    buildLogPage();
    buildNetworkPage();
    buildIventPage();
    buildSoundPage();
    pcOption->addTab(tsLocal, tr("ローカル"));
    pcOption->addTab(tsSetting, tr("一般"));
    pcOption->addTab(tsLog, tr("セキュリティ、ログ"));
    pcOption->addTab(tsNetwork, tr("通信"));
    pcOption->addTab(tsIvent, tr("イベント"));
    pcOption->addTab(tsSound, tr("アニメーション、サウンド"));

    btSettei = button(this, "btSettei", tr("設定"));
    btCancel = button(this, "btCancel", tr("キャンセル"));
    btTekiyo = button(this, "btTekiyo", tr("適用"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btSettei);
    buttons->addWidget(btCancel);
    buttons->addWidget(btTekiyo);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(pcOption, 1);
    layout->addLayout(buttons);
}

QCheckBox *TOptionForm::checkBox(QWidget *parent, const char *name, const QString &caption, bool Settings::*field)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->installEventFilter(this);
    if (field)
        m_checks.push_back({box, field});
    return box;
}

void TOptionForm::buildLocalPage()
{
    QVBoxLayout *page = pageLayout(tsLocal);

    const Group user = makeGroup(tsLocal, tr("ローカルユーザ情報"), "pbLocal", 0,
                                 tr("現在の自分のユーザ情報を、設定、閲覧することができます。"));
    edHandleName = lineEdit(user.box, "edHandleName", 50);
    edMachineName = lineEdit(user.box, "edMachineName");
    edIPAddress = lineEdit(user.box, "edIPAddress");
    showOnly(edMachineName);
    showOnly(edIPAddress);
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(3);
    const std::pair<const char *, QLineEdit *> rows[] = {
        {QT_TRANSLATE_NOOP("zn::TOptionForm", "ハンドル名"), edHandleName},
        {QT_TRANSLATE_NOOP("zn::TOptionForm", "マシン名"), edMachineName},
        {QT_TRANSLATE_NOOP("zn::TOptionForm", "IPアドレス"), edIPAddress}};
    int row = 0;
    for (const auto &[caption, edit] : rows) {
        auto *l = new QLabel(tr(caption), user.box);
        l->setBuddy(edit);
        grid->addWidget(l, row, 0);
        grid->addWidget(edit, row, 1);
        edit->installEventFilter(this);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    user.content->addLayout(grid);
    page->addWidget(user.box);

    const Group huzai =
        makeGroup(tsLocal, tr("不在メッセージ設定"), "pbHuzai", 1,
                  tr("不在メッセージを設定して置くと、自分が不在の時に他のユーザへ不在理由を送信することができます。"));
    huzai.content->addWidget(new QLabel(tr("不在時に送信するメッセージ"), huzai.box));
    mmHuzaiMessage = new QPlainTextEdit(huzai.box);
    mmHuzaiMessage->setObjectName(QStringLiteral("mmHuzaiMessage"));
    mmHuzaiMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmHuzaiMessage->setTabChangesFocus(true);
    mmHuzaiMessage->setFont(MessageFont(9));
    huzai.content->addWidget(mmHuzaiMessage, 1);
    page->addWidget(huzai.box, 1);
}

void TOptionForm::buildSettingPage()
{
    // The check boxes of the page under their headings, in page order.
    struct Row {
        const char *heading; // starts a new heading when set
        QCheckBox *TOptionForm::*member;
        const char *name;
        const char *caption;
        bool Settings::*field;
    };
    static const Row rows[] = {
        {QT_TRANSLATE_NOOP("zn::TOptionForm", "ウィンドウ"), &TOptionForm::cbStartShow, "cbStartShow",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "起動時にオンライン状況ウィンドウを表示しない"), &Settings::StartShow},
        {nullptr, &TOptionForm::cbSendAfterClose, "cbSendAfterClose",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "メッセージ送信後に、オンライン状況ウィンドウを閉じる"),
         &Settings::SendAfterClose},
        {nullptr, &TOptionForm::cbRecvAutoOpen, "cbRecvAutoOpen",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "メッセージ受信時に、受信ウィンドウを自動的に開く"),
         &Settings::RecvAutoOpen},
        {nullptr, &TOptionForm::cbReturnRecvHide, "cbReturnRecvHide",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "返信時に受信ウィンドウを自動的に消去する"), &Settings::ReturnRecvHide},
        {QT_TRANSLATE_NOOP("zn::TOptionForm", "確認"), &TOptionForm::cbRecvOpenCheck, "cbRecvOpenCheck",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "受信ウィンドウを開くときに確認する"), &Settings::RecvOpenCheck},
        {nullptr, &TOptionForm::cbHuzaiModeCheck, "cbHuzaiModeCheck",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "不在にする時に確認する"), &Settings::HuzaiModeCheck},
        {nullptr, &TOptionForm::cbHuzaiSetCheck, "cbHuzaiSetCheck",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "不在にする時に不在メッセージを再設定する"), &Settings::HuzaiSetCheck},
        {nullptr, &TOptionForm::cbHuzaiReturnCheck, "cbHuzaiReturnCheck",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "不在を解除する時に確認する"), &Settings::HuzaiReturnCheck},
        {nullptr, &TOptionForm::cbSendSelfCheck, "cbSendSelfCheck",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "自分自身にメッセージを送るときに確認する"), &Settings::SendSelfCheck},
        {QT_TRANSLATE_NOOP("zn::TOptionForm", "表示"), &TOptionForm::cbSendMachineHide, "cbSendMachineHide",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "送信ウィンドウにマシン名を表示しない"), &Settings::SendMachineHide},
        {nullptr, &TOptionForm::cbRecvMachineHide, "cbRecvMachineHide",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "受信ウィンドウにマシン名を表示しない"), &Settings::RecvMachineHide},
        {nullptr, &TOptionForm::cbRecvDateHide, "cbRecvDateHide",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "受信ウィンドウに受信日時を表示しない"), &Settings::RecvDateHide},
        {nullptr, &TOptionForm::cbTaskClipHide, "cbTaskClipHide",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "タスクメニューにクリップボード関連のメニューを表示しない"),
         &Settings::TaskClipHide},
        {nullptr, &TOptionForm::cbTaskHuzaiHide, "cbTaskHuzaiHide",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "タスクメニューに不在関連のメニューを表示しない"),
         &Settings::TaskHuzaiHide},
        {QT_TRANSLATE_NOOP("zn::TOptionForm", "メッセージ"), &TOptionForm::cbReturnMessagePlus, "cbReturnMessagePlus",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "返信時に元のメッセージを含める"), &Settings::ReturnMessagePlus},
        {nullptr, &TOptionForm::cbClipRecvInfo, "cbClipRecvInfo",
         QT_TRANSLATE_NOOP("zn::TOptionForm", "クリップボード受信時に送信元の情報を付加する"), &Settings::ClipRecvInfo},
    };

    QVBoxLayout *page = pageLayout(tsSetting);
    const Group group = makeGroup(tsSetting, tr("動作設定"), "pbOption", 2,
                                  tr("動作設定をすることで、Zephinetをより使いやすくすることができます。"));
    auto *scroll = new QScrollArea(group.box);
    scroll->setObjectName(QStringLiteral("sbOption"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *inner = new QWidget(scroll);
    auto *list = new QVBoxLayout(inner);
    list->setContentsMargins(4, 4, 4, 4);
    list->setSpacing(1);
    for (const Row &row : rows) {
        if (row.heading) {
            if (list->count() > 0)
                list->addSpacing(6);
            auto *line = new QHBoxLayout;
            line->setSpacing(4);
            auto *icon = new QLabel(inner);
            icon->setPixmap(IconStrip::pixmap(IconStrip::Present, 16));
            icon->setFixedSize(16, 16);
            QLabel *heading = colouredLabel(tr(row.heading), Qt::blue, inner);
            line->addWidget(icon);
            line->addWidget(heading, 1);
            list->addLayout(line);
        }
        QCheckBox *box = checkBox(inner, row.name, tr(row.caption), row.field);
        this->*row.member = box;
        list->addWidget(box);
        if (QLayoutItem *last = list->itemAt(list->count() - 1))
            last->setAlignment(Qt::AlignLeft);
        box->setContentsMargins(20, 0, 0, 0);
    }
    list->addStretch();
    scroll->setWidget(inner);
    group.content->addWidget(scroll, 1);
    laHotKeys = colouredLabel(tr("このデスクトップではホットキー(Ctrl+Alt+M、Ctrl+Alt+S、Ctrl+Alt+R)を使用できません。"
                                 "デスクトップのキーボード設定で、次のコマンドをキーに割り当ててください。\n"
                                 "zephinet --user-list(オンライン状況)、zephinet --send(メッセージ送信)、"
                                 "zephinet --receive(メッセージ受信)"),
                              Qt::red, group.box);
    laHotKeys->setObjectName(QStringLiteral("laHotKeys"));
    laHotKeys->setWordWrap(true);
    laHotKeys->setTextFormat(Qt::PlainText);
    laHotKeys->hide();
    group.content->addWidget(laHotKeys);
    auto *languageRow = new QHBoxLayout;
    auto *laLanguage = label(group.box, "laLanguage", tr("表示言語(&L)"));
    cbLanguage = new QComboBox(group.box);
    cbLanguage->setObjectName(QStringLiteral("cbLanguage"));
    // Each language by its own name, whatever the language on screen.
    cbLanguage->addItems({tr("デスクトップに合わせる"), QStringLiteral("日本語"), QStringLiteral("English")});
    laLanguage->setBuddy(cbLanguage);
    languageRow->addWidget(laLanguage);
    languageRow->addWidget(cbLanguage);
    languageRow->addWidget(new QLabel(tr("（変更はZephinetを再起動後に有効となります）"), group.box), 1);
    group.content->addLayout(languageRow);
    page->addWidget(group.box, 1);
}

void TOptionForm::buildLogPage()
{
    QVBoxLayout *page = pageLayout(tsLog);

    const Group log = makeGroup(tsLog, tr("ログ設定"), "pbLog", 5,
                                tr("送信、受信したメッセージをログファイルに記録しておくことができます。"));
    cbLogSave = checkBox(log.box, "cbLogSave", tr("送受信したメッセージをログに保存する"), &Settings::LogSave);
    log.content->addWidget(cbLogSave);
    laLogFile = label(log.box, "laLogFile", tr("ログファイル"));
    edLogFileName = lineEdit(log.box, "edLogFileName");
    btLogSansyo = button(log.box, "btLogSansyo", tr("参照"));
    laLogSize1 = label(log.box, "laLogSize1", tr("最大記録件数"));
    edLogFileSize = lineEdit(log.box, "edLogFileSize", 4);
    edLogFileSize->setInputMethodHints(Qt::ImhDigitsOnly);
    edLogFileSize->setFixedWidth(edLogFileSize->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    laLogSize2 = label(log.box, "laLogSize2", tr("件 （0を指定すると無制限になります）"));
    for (QLineEdit *edit : {edLogFileName, edLogFileSize})
        edit->installEventFilter(this);
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(3);
    grid->addWidget(laLogFile, 0, 0);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(edLogFileName, 1);
    fileRow->addWidget(btLogSansyo);
    grid->addLayout(fileRow, 0, 1);
    grid->addWidget(laLogSize1, 1, 0);
    auto *sizeRow = new QHBoxLayout;
    sizeRow->addWidget(edLogFileSize);
    sizeRow->addWidget(laLogSize2, 1);
    grid->addLayout(sizeRow, 1, 1);
    log.content->addLayout(grid);
    page->addWidget(log.box);

    const Group security =
        makeGroup(tsLog, tr("セキュリティ"), "pbSequrity", 4,
                  tr("パスワードを設定しておくと、各アクション時のセキュリティを強化することができます。"));
    edPassword = passwordEdit(QStringLiteral("edPassword"), security.box);
    edPassword->setEnabled(false);
    btPasswordChange = button(security.box, "btPasswordChange", tr("変更"));
    auto *passwordRow = new QHBoxLayout;
    passwordRow->addWidget(new QLabel(tr("パスワード"), security.box));
    passwordRow->addWidget(edPassword, 1);
    passwordRow->addWidget(btPasswordChange);
    security.content->addLayout(passwordRow);
    cbPasswordOnline =
        checkBox(security.box, "cbPasswordOnline", tr("オンライン状況ウィンドウを開くときにパスワードを入力する"),
                 &Settings::PasswordOnline);
    cbPasswordOption = checkBox(security.box, "cbPasswordOption",
                                tr("オプションウィンドウを開くときにパスワードを入力する"), &Settings::PasswordOption);
    cbPasswordRecv = checkBox(security.box, "cbPasswordRecv", tr("メッセージを取得するときにパスワードを入力する"),
                              &Settings::PasswordRecv);
    cbPasswordLog = checkBox(security.box, "cbPasswordLog", tr("ログビューアを開くときにパスワードを入力する"),
                             &Settings::PasswordLog);
    for (QCheckBox *box : {cbPasswordOnline, cbPasswordOption, cbPasswordRecv, cbPasswordLog})
        security.content->addWidget(box);
    page->addWidget(security.box);
    page->addStretch();
}

void TOptionForm::buildNetworkPage()
{
    QVBoxLayout *page = pageLayout(tsNetwork);

    const Group users = makeGroup(tsNetwork, tr("ネットワークユーザ設定"), "pbNetwork", 6,
                                  tr("ネットワーク上に他のユーザが存在するのにオンライン認知しない場合は、"
                                     "IPアドレスを直接指定することで解決できる場合があります。"));
    QLabel *warning =
        colouredLabel(tr("正常に通信できないマシンが存在する場合のみ、設定してください。"), Qt::red, users.box);
    warning->setWordWrap(true);
    users.content->addWidget(warning);
    users.content->addWidget(new QLabel(tr("メッセージを送るマシンのIPアドレス"), users.box));
    edAddSendIP = lineEdit(users.box, "edAddSendIP", 15);
    edAddSendIP->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhLatinOnly);
    edAddSendIP->installEventFilter(this);
    btAddSendIP = button(users.box, "btAddSendIP", tr("追加"));
    lbSendIP = new QListWidget(users.box);
    lbSendIP->setObjectName(QStringLiteral("lbSendIP"));
    lbSendIP->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lbSendIP->installEventFilter(this);
    btDeleteSendIP = button(users.box, "btDeleteSendIP", tr("削除"));
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(3);
    grid->addWidget(edAddSendIP, 0, 0);
    grid->addWidget(btAddSendIP, 0, 1);
    grid->addWidget(lbSendIP, 1, 0);
    grid->addWidget(btDeleteSendIP, 1, 1, Qt::AlignTop);
    grid->setColumnStretch(0, 1);
    users.content->addLayout(grid, 1);
    // Off where addresses are rewritten on the way or hosts move between
    // subnets: every message then goes to every host, as broadcasts.
    cbDirectSend = checkBox(users.box, "cbDirectSend", tr("個人宛てのメッセージは相手のマシンだけに送信する"), nullptr);
    users.content->addWidget(cbDirectSend);
    page->addWidget(users.box, 1);

    const Group port =
        makeGroup(tsNetwork, tr("通信ポート設定"), "pmPort", 7, tr("使用するポート番号を設定することができます。"));
    QLabel *portWarning = colouredLabel(
        tr("他のアプリケーションが同じポートを使用している場合や、特定の人と通信したい場合にのみ、変更してください。"),
        Qt::red, port.box);
    portWarning->setWordWrap(true);
    port.content->addWidget(portWarning);
    edPortNo = lineEdit(port.box, "edPortNo", 5);
    edPortNo->setInputMethodHints(Qt::ImhDigitsOnly);
    edPortNo->setFixedWidth(edPortNo->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    edPortNo->installEventFilter(this);
    auto *portRow = new QHBoxLayout;
    portRow->addWidget(new QLabel(tr("ポート番号"), port.box));
    portRow->addWidget(edPortNo);
    portRow->addWidget(new QLabel(tr("（変更はZephinetを再起動後に有効となります）"), port.box), 1);
    port.content->addLayout(portRow);
    page->addWidget(port.box);
}

void TOptionForm::buildIventPage()
{
    QVBoxLayout *page = pageLayout(tsIvent);
    const Group group = makeGroup(tsIvent, tr("通知設定"), "pbIvent", 8,
                                  tr("イベントが起きたことをメッセージとして表示することができます。"));
    cbOnlineCheck = checkBox(group.box, "cbOnlineCheck", tr("他のユーザがオンラインになったら通知を受ける"),
                             &Settings::OnlineCheck);
    cbOffLineCheck = checkBox(group.box, "cbOffLineCheck", tr("他のユーザがオフラインになったら通知を受ける"),
                              &Settings::OfflineCheck);
    cbOpenCheck = checkBox(group.box, "cbOpenCheck", tr("自分が送ったメッセージを相手が確認したら通知を受ける"),
                           &Settings::OpenCheck);
    cbRecvCheck = checkBox(group.box, "cbRecvCheck", tr("メッセージが届いたら通知を受ける"), &Settings::RecvCheck);
    cbAutoLocate =
        checkBox(group.box, "cbAutoLocate", tr("イベント通知ウィンドウを画面の中央へ表示する"), &Settings::AutoLocate);
    cbAutoClose =
        checkBox(group.box, "cbAutoClose", tr("イベント通知ウィンドウを自動的に閉じる"), &Settings::AutoClose);
    cbDesktopNotification = checkBox(group.box, "cbDesktopNotification",
                                     tr("イベント通知ウィンドウの代わりにデスクトップの通知機能で通知する"), nullptr);
    for (QCheckBox *box :
         {cbOnlineCheck, cbOffLineCheck, cbOpenCheck, cbRecvCheck, cbDesktopNotification, cbAutoLocate, cbAutoClose})
        group.content->addWidget(box);
    laAutoClose1 = label(group.box, "laAutoClose1", tr("最後のイベントを表示してから"));
    edAutoClose = lineEdit(group.box, "edAutoClose", 2);
    edAutoClose->setInputMethodHints(Qt::ImhDigitsOnly);
    edAutoClose->setFixedWidth(edAutoClose->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    edAutoClose->installEventFilter(this);
    laAutoClose2 = label(group.box, "laAutoClose2", tr("秒後に通知ウィンドウ閉じる"));
    auto *line = new QHBoxLayout;
    line->setContentsMargins(20, 0, 0, 0);
    line->addWidget(laAutoClose1);
    line->addWidget(edAutoClose);
    line->addWidget(laAutoClose2, 1);
    group.content->addLayout(line);
    cbExclamationAutoClose =
        checkBox(group.box, "cbExclamationAutoClose",
                 tr("重要な通知（エラー通知など）が含まれる場合でも自動的に閉じる"), &Settings::ExclamationAutoClose);
    cbExclamationAutoClose->setContentsMargins(20, 0, 0, 0);
    group.content->addWidget(cbExclamationAutoClose);
    page->addWidget(group.box);
    page->addStretch();
}

void TOptionForm::buildSoundPage()
{
    QVBoxLayout *page = pageLayout(tsSound);
    const Group sound =
        makeGroup(tsSound, tr("サウンド設定"), "pbSound", 9, tr("各イベント時にサウンドを鳴らすことが出来ます。"));
    rbIventSoundNone = new QRadioButton(tr("サウンドを鳴らさない"), sound.box);
    rbIventSoundNone->setObjectName(QStringLiteral("rbIventSoundNone"));
    rbIventSoundBeep = new QRadioButton(tr("サウンドをBEEP音で鳴らす"), sound.box);
    rbIventSoundBeep->setObjectName(QStringLiteral("rbIventSoundBeep"));
    rbIventSoundWave = new QRadioButton(tr("サウンドをWAVファイルで鳴らす"), sound.box);
    rbIventSoundWave->setObjectName(QStringLiteral("rbIventSoundWave"));
    rbIventSoundNone->setChecked(true);
    for (QRadioButton *rb : {rbIventSoundNone, rbIventSoundBeep, rbIventSoundWave})
        sound.content->addWidget(rb);

    static const struct {
        const char *label;
        const char *caption;
        const char *edit;
        const char *test;
        const char *browse;
    } rows[] = {
        {"laSound1", QT_TRANSLATE_NOOP("zn::TOptionForm", "ユーザ オンライン"), "edSoundOnline", "btSoundOnlineTest",
         "btOnlineSansyo"},
        {"laSound2", QT_TRANSLATE_NOOP("zn::TOptionForm", "ユーザ オフライン"), "edSoundOffline", "btSoundOfflineTest",
         "btOfflineSansyo"},
        {"laSound3", QT_TRANSLATE_NOOP("zn::TOptionForm", "メッセージ受信"), "edSoundRecv", "btSoundRecvTest",
         "btRecvSansyo"},
    };
    auto *grid = new QGridLayout;
    grid->setContentsMargins(20, 2, 0, 0);
    grid->setVerticalSpacing(3);
    for (int i = 0; i < 3; ++i) {
        laSound[i] = label(sound.box, rows[i].label, tr(rows[i].caption));
        edSound[i] = lineEdit(sound.box, rows[i].edit);
        edSound[i]->installEventFilter(this);
        btSoundTest[i] = button(sound.box, rows[i].test, QStringLiteral("♪"));
        btSoundTest[i]->setFixedWidth(btSoundTest[i]->sizeHint().height() + 4);
        btSansyo[i] = button(sound.box, rows[i].browse, tr("参照"));
        grid->addWidget(laSound[i], i, 0);
        grid->addWidget(edSound[i], i, 1);
        grid->addWidget(btSoundTest[i], i, 2);
        grid->addWidget(btSansyo[i], i, 3);
    }
    grid->setColumnStretch(1, 1);
    sound.content->addLayout(grid);
    page->addWidget(sound.box);

    const Group animation = makeGroup(tsSound, tr("受信アニメーション"), "pbAnimation", 3,
                                      tr("メッセージを受信したことを、アニメーションで知ることが出来ます。"));
    cbTaskAnimation = new QComboBox(animation.box);
    cbTaskAnimation->setObjectName(QStringLiteral("cbTaskAnimation"));
    cbTaskAnimation->addItems({tr("アニメーション無し"), tr("流星"), tr("点滅")});
    cbMouseAnimation = new QComboBox(animation.box);
    cbMouseAnimation->setObjectName(QStringLiteral("cbMouseAnimation"));
    cbMouseAnimation->addItems({tr("アニメーション無し"), tr("サークル"), tr("スクエア")});
    auto *animationGrid = new QGridLayout;
    animationGrid->setVerticalSpacing(3);
    animationGrid->addWidget(new QLabel(tr("タスクアニメーション"), animation.box), 0, 0);
    animationGrid->addWidget(cbTaskAnimation, 0, 1);
    animationGrid->addWidget(new QLabel(tr("マウスアニメーション"), animation.box), 1, 0);
    animationGrid->addWidget(cbMouseAnimation, 1, 1);
    animationGrid->setColumnStretch(2, 1);
    animation.content->addLayout(animationGrid);
    page->addWidget(animation.box);
    page->addStretch();
}

} // namespace zn
