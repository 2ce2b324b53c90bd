#include "options/toptionform.h"

#include "common/codec.h"
#include "common/frontend.h"
#include "options/contexthelp.h"
#include "options/optionparts.h"
#include "options/optionvalues.h"
#include "options/tpasschangeform.h"
#include "platform/desktopnotifier.h"
#include "platform/eventsound.h"
#include "session/session.h"
#include "settings/sendiplist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>

namespace zn {

namespace {

const char *const SoundFilters[] = {QT_TRANSLATE_NOOP("zn::TOptionForm", "サウンドファイル(*.wav)"),
                                    QT_TRANSLATE_NOOP("zn::TOptionForm", "すべてのファイル(*.*)")};
const char *const LogFilters[] = {QT_TRANSLATE_NOOP("zn::TOptionForm", "Zephinetログファイル(*.ZNG)"),
                                  QT_TRANSLATE_NOOP("zn::TOptionForm", "すべてのファイル(*.*)")};

// The characters of the absence message as it is stored, CR LF counting two.
qsizetype storedLength(const QString &text)
{
    return text.size() + text.count(u'\n');
}

FileChoice desktopFileChooser(QWidget *parent, const FileRequest &request)
{
    const QString filter = request.filters.join(QStringLiteral(";;"));
    QString selected = request.filters.value(0);
    FileChoice choice;
    if (request.kind == FileRequest::Save)
        choice.path = QFileDialog::getSaveFileName(parent, request.title, request.directory, filter, &selected);
    else
        choice.path = QFileDialog::getOpenFileName(parent, request.title, request.directory, filter, &selected);
    choice.filter = int(qMax<qsizetype>(0, request.filters.indexOf(selected)));
    return choice;
}

// The directory part of `path` when that directory exists, else none.
QString existingDirectoryOf(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    const QDir dir = info.dir();
    return dir.exists() ? dir.path() : QString();
}

} // namespace

TOptionForm::TOptionForm(Session &session, Frontend &frontend, QWidget *parent)
    : QWidget(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint),
      m_session(session), m_frontend(frontend), m_sound(std::make_unique<QtSoundOutput>()),
      m_chooseFile(desktopFileChooser)
{
    setObjectName(QStringLiteral("OptionForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Zephinet -オプション-"));

    layOut();
    connect(btSettei, &QPushButton::clicked, this, &TOptionForm::btSetteiClick);
    connect(btCancel, &QPushButton::clicked, this, &TOptionForm::btCancelClick);
    connect(btTekiyo, &QPushButton::clicked, this, &TOptionForm::btTekiyoClick);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &TOptionForm::btCancelClick);

    connectControls();
    // The absence-message editor may store another message while this is open.
    connect(&m_session, &Session::settingsChanged, this, [this](const Settings &, const Settings &now) {
        if (now.HuzaiMessage != m_storedHuzaiMessage)
            setHuzaiMessage(now.HuzaiMessage);
    });
    auto *help = new ContextHelp(this);
    connect(help, &ContextHelp::helpRequested, this, &TOptionForm::helpRequested);
    trackChanges();
    FormShow();
    fixAndCentre(this, DesignSize);
}

TOptionForm::~TOptionForm() = default;

void TOptionForm::setHotKeysAvailable(bool available)
{
    laHotKeys->setVisible(!available);
}

void TOptionForm::setSoundOutput(std::unique_ptr<SoundOutput> output)
{
    m_sound = std::move(output);
}

void TOptionForm::connectControls()
{
    connect(mmHuzaiMessage->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { limitHuzaiMessage(position, added); });
    connect(cbLogSave, &QCheckBox::toggled, this, &TOptionForm::cbLogSaveClick);
    connect(btLogSansyo, &QPushButton::clicked, this, &TOptionForm::btLogSansyoClick);
    connect(btPasswordChange, &QPushButton::clicked, this, &TOptionForm::btPasswordChangeClick);
    connect(edAddSendIP, &QLineEdit::textChanged, this,
            [this](const QString &text) { btAddSendIP->setEnabled(!text.isEmpty()); });
    connect(btAddSendIP, &QPushButton::clicked, this, &TOptionForm::btAddSendIPClick);
    connect(btDeleteSendIP, &QPushButton::clicked, this, &TOptionForm::btDeleteSendIPClick);
    // One handler for the three boxes; it always looks at cbAutoClose.
    for (QCheckBox *box : {cbAutoClose, cbAutoLocate, cbExclamationAutoClose})
        connect(box, &QCheckBox::toggled, this, &TOptionForm::cbAutoCloseClick);
    connect(rbIventSoundWave, &QRadioButton::toggled, this, [this](bool on) { soundRowsEnabled(on); });
    for (int i = 0; i < 3; ++i) {
        connect(btSoundTest[i], &QPushButton::clicked, this, [this, i] { btSoundTestClick(i); });
        connect(btSansyo[i], &QPushButton::clicked, this, [this, i] { btSansyoClick(i); });
    }
    soundRowsEnabled(false);
}

void TOptionForm::trackChanges()
{
    for (QLineEdit *edit : findChildren<QLineEdit *>()) {
        if (edit != edAddSendIP)
            connect(edit, &QLineEdit::textChanged, this, &TOptionForm::changed);
    }
    for (QCheckBox *box : findChildren<QCheckBox *>())
        connect(box, &QCheckBox::toggled, this, &TOptionForm::changed);
    for (QRadioButton *rb : findChildren<QRadioButton *>())
        connect(rb, &QRadioButton::toggled, this, &TOptionForm::changed);
    for (QComboBox *combo : findChildren<QComboBox *>())
        connect(combo, &QComboBox::currentIndexChanged, this, &TOptionForm::changed);
    connect(mmHuzaiMessage, &QPlainTextEdit::textChanged, this, &TOptionForm::changed);
}

void TOptionForm::changed()
{
    btTekiyo->setEnabled(true);
}

void TOptionForm::FormShow()
{
    const Settings &s = m_session.settings;
    m_storedHandleName = s.HandleName;
    edHandleName->setText(cp932::decode(s.HandleName));
    // What the edit shows, cut to its limit when the file held a longer name.
    m_shownHandleName = edHandleName->text();
    edMachineName->setText(cp932::decode(m_session.local.MachineName));
    edIPAddress->setText(m_session.local.SocketStarted ? cp932::decode(m_session.local.Address) : QString());
    m_storedHuzaiMessage = s.HuzaiMessage;
    m_shownHuzaiMessage = cp932::toWidgetText(s.HuzaiMessage);
    m_limitingHuzai = true;
    mmHuzaiMessage->setPlainText(m_shownHuzaiMessage);
    m_limitingHuzai = false;

    for (const CheckBinding &check : m_checks)
        check.box->setChecked(s.*check.field);
    cbDesktopNotification->setChecked(DesktopNotifier::chosen(s));
    cbDirectSend->setChecked(s.DirectSend != 0);
    edLogFileName->setText(s.LogFileName);
    edLogFileSize->setText(QString::number(s.LogFileMaxCount));
    m_password = s.Password;
    edPassword->setText(cp932::decode(m_password));

    edPortNo->setText(QString::number(s.PortNo));
    edAddSendIP->clear();
    btAddSendIP->setEnabled(false);
    lbSendIP->clear();
    for (const QByteArray &entry : SplitSendIP(s.SendIP))
        lbSendIP->addItem(QString::fromLatin1(entry));

    edAutoClose->setText(QString::number(s.AutoCloseTimer));
    for (int i = 0; i < 3; ++i)
        edSound[i]->setText(s.SoundFiles[size_t(i)]);
    cbTaskAnimation->setCurrentIndex(qBound(-1, s.TaskAnimation, 2));
    cbMouseAnimation->setCurrentIndex(qBound(-1, s.MouseAnimation, 2));
    cbLanguage->setCurrentIndex(s.Language == 0 || s.Language == 1 ? s.Language + 1 : 0);

    if (s.IventSound)
        rbIventSoundWave->setChecked(true);
    if (s.SoundBeep)
        rbIventSoundBeep->setChecked(true);
    if (!s.IventSound && !s.SoundBeep)
        rbIventSoundNone->setChecked(true);
    soundRowsEnabled(rbIventSoundWave->isChecked());
    cbLogSaveClick();
    cbAutoCloseClick();

    pcOption->setCurrentWidget(tsLocal);
    btTekiyo->setEnabled(false);
}

void TOptionForm::cbLogSaveClick()
{
    const bool on = cbLogSave->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{laLogFile, laLogSize1, laLogSize2, edLogFileName, btLogSansyo, edLogFileSize})
        w->setEnabled(on);
    changed();
}

void TOptionForm::cbAutoCloseClick()
{
    const bool on = cbAutoClose->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{laAutoClose1, laAutoClose2, edAutoClose, cbExclamationAutoClose})
        w->setEnabled(on);
    changed();
}

void TOptionForm::soundRowsEnabled(bool enabled)
{
    for (int i = 0; i < 3; ++i) {
        for (QWidget *w : std::initializer_list<QWidget *>{laSound[i], edSound[i], btSoundTest[i], btSansyo[i]})
            w->setEnabled(enabled);
    }
}

void TOptionForm::limitHuzaiMessage(int position, int added)
{
    if (m_limitingHuzai || added <= 0)
        return;
    const QString text = mmHuzaiMessage->toPlainText();
    qsizetype excess = storedLength(text) - MaxHuzaiMessageChars;
    if (excess <= 0)
        return;
    // Typing stops at the limit: what was just inserted is cut from its end.
    m_limitingHuzai = true;
    QTextCursor cursor(mmHuzaiMessage->document());
    int end = qMin(position + added, int(text.size()));
    while (excess > 0 && end > position) {
        cursor.setPosition(end);
        cursor.setPosition(end - 1, QTextCursor::KeepAnchor);
        excess -= cursor.selectedText() == QString(QChar::ParagraphSeparator) ? 2 : 1;
        cursor.removeSelectedText();
        --end;
    }
    m_limitingHuzai = false;
}

void TOptionForm::setHuzaiMessage(const QByteArray &message)
{
    m_storedHuzaiMessage = message;
    m_shownHuzaiMessage = cp932::toWidgetText(message);
    m_limitingHuzai = true;
    mmHuzaiMessage->setPlainText(m_shownHuzaiMessage);
    m_limitingHuzai = false;
    changed();
}

bool TOptionForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == edAddSendIP) {
        if (enter) {
            if (!edAddSendIP->text().isEmpty())
                btAddSendIPClick();
            return true;
        }
    } else if (watched == lbSendIP) {
        if (key == Qt::Key_Delete) {
            btDeleteSendIPClick();
            return true;
        }
        if (enter) {
            btSetteiClick();
            return true;
        }
    } else if (enter) {
        // Every other watched control is an edit or a check box.
        btSetteiClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool TOptionForm::refuse(const OptionRefusal &refusal)
{
    const std::pair<QWidget *, QWidget *> shown[] = {{tsLocal, edHandleName},
                                                     {tsLog, edLogFileSize},
                                                     {tsNetwork, edPortNo},
                                                     {tsLocal, mmHuzaiMessage},
                                                     {tsIvent, edAutoClose}};
    const auto [page, control] = shown[refusal.control];
    pcOption->setCurrentWidget(page);
    control->setFocus();
    m_frontend.showMessageBox(refusal.message, mb::Ok | mb::IconWarning);
    return false;
}

bool TOptionForm::btTekiyoClick()
{
    btSettei->setFocus();
    const Settings &inForce = m_session.settings;
    const OptionValues values =
        CheckOptionTexts({edHandleName->text(), mmHuzaiMessage->toPlainText(), edLogFileSize->text(),
                          cbLogSave->isChecked(), edPortNo->text(), edAutoClose->text(), cbAutoClose->isChecked()},
                         {m_shownHandleName, m_storedHandleName, m_shownHuzaiMessage, m_storedHuzaiMessage}, inForce);
    if (values.logFileMaxCountRestored)
        edLogFileSize->setText(QString::number(inForce.LogFileMaxCount));
    if (values.autoCloseTimerRestored)
        edAutoClose->setText(QString::number(inForce.AutoCloseTimer));
    if (values.refusal)
        return refuse(*values.refusal);
    Settings now = values.settings;
    if (now.PortNo != inForce.PortNo) {
        m_frontend.showMessageBox(tr("ポート番号の設定は次回の起動から有効になります。"), mb::Ok | mb::IconInformation);
    }

    for (const CheckBinding &check : m_checks)
        now.*check.field = check.box->isChecked();
    // Left as shown, a choice never made stays the desktop's.
    if (cbDesktopNotification->isChecked() != DesktopNotifier::chosen(inForce))
        now.DesktopNotification = cbDesktopNotification->isChecked() ? 1 : 0;
    if (cbDirectSend->isChecked() != (inForce.DirectSend != 0))
        now.DirectSend = cbDirectSend->isChecked() ? 1 : 0;
    now.TaskAnimation = cbTaskAnimation->currentIndex();
    now.MouseAnimation = cbMouseAnimation->currentIndex();
    now.Language = cbLanguage->currentIndex() > 0 ? cbLanguage->currentIndex() - 1 : inForce.Language < 0 ? -1 : 2;
    if (cbLanguage->currentIndex() != (inForce.Language == 0 || inForce.Language == 1 ? inForce.Language + 1 : 0))
        m_frontend.showMessageBox(tr("表示言語の設定は次回の起動から有効になります。"), mb::Ok | mb::IconInformation);
    now.Password = m_password;
    now.LogFileName = edLogFileName->text();
    QByteArrayList entries;
    for (int i = 0; i < lbSendIP->count(); ++i)
        entries.append(lbSendIP->item(i)->text().toLatin1());
    now.SendIP = JoinSendIP(entries);
    now.IventSound = rbIventSoundWave->isChecked();
    now.SoundBeep = rbIventSoundBeep->isChecked();
    for (int i = 0; i < 3; ++i)
        now.SoundFiles[size_t(i)] = edSound[i]->text();

    // What the dialog shows is what is in force now.
    m_storedHandleName = now.HandleName;
    m_shownHandleName = edHandleName->text();
    m_storedHuzaiMessage = now.HuzaiMessage;
    m_shownHuzaiMessage = mmHuzaiMessage->toPlainText();
    const Settings old = inForce;
    const bool saved = m_session.applySettings(now, Session::SettingsWrite::All);
    emit settingsApplied(old, now);
    // A refused write was shown; the window stays open with btTekiyo enabled.
    if (!saved)
        return false;
    btTekiyo->setEnabled(false);
    return true;
}

void TOptionForm::btSetteiClick()
{
    if (btTekiyoClick())
        close();
}

void TOptionForm::btCancelClick()
{
    close();
}

void TOptionForm::btAddSendIPClick()
{
    const QString typed = edAddSendIP->text();
    const std::optional<QByteArray> address = CanonicalSendIP(typed.toLatin1());
    if (!address || typed.toLatin1() != typed.toUtf8()) {
        edAddSendIP->setFocus();
        m_frontend.showMessageBox(tr("IPアドレスの指定に誤りがあります。"), mb::Ok | mb::IconWarning);
        return;
    }
    QByteArrayList entries;
    for (int i = 0; i < lbSendIP->count(); ++i)
        entries.append(lbSendIP->item(i)->text().toLatin1());
    entries.append(*address);
    if (!SendIPListFits(entries)) {
        edAddSendIP->setFocus();
        m_frontend.showMessageBox(tr("これ以上IPアドレスを追加できません。"
                                     "登録できるのは%1件、合計%2文字までです。")
                                      .arg(MaxSendIPEntries)
                                      .arg(MaxSendIPBytes),
                                  mb::Ok | mb::IconWarning);
        return;
    }
    lbSendIP->addItem(QString::fromLatin1(*address));
    edAddSendIP->clear();
    changed();
}

void TOptionForm::btDeleteSendIPClick()
{
    if (!lbSendIP->selectedItems().isEmpty()) {
        if (m_frontend.showMessageBox(tr("指定したIPアドレスを削除します。よろしいですか？"),
                                      mb::YesNo | mb::IconQuestion | mb::DefaultButton2)
            != Answer::Yes)
            return;
        for (int i = 0; i < lbSendIP->count();) {
            if (lbSendIP->item(i)->isSelected())
                delete lbSendIP->takeItem(i);
            else
                ++i;
        }
    }
    changed();
}

void TOptionForm::btLogSansyoClick()
{
    const FileChoice choice = m_chooseFile(this,
                                           {FileRequest::Save,
                                            tr("ログファイル保存先指定"),
                                            {tr(LogFilters[0]), tr(LogFilters[1])},
                                            existingDirectoryOf(edLogFileName->text())});
    if (choice.path.isEmpty())
        return;
    QString path = choice.path;
    if (choice.filter == 0 && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".ZNG");
    edLogFileName->setText(QDir::toNativeSeparators(path));
}

void TOptionForm::btSansyoClick(int row)
{
    const FileChoice choice = m_chooseFile(this,
                                           {FileRequest::Open,
                                            tr("サウンド設定"),
                                            {tr(SoundFilters[0]), tr(SoundFilters[1])},
                                            existingDirectoryOf(edSound[row]->text())});
    if (!choice.path.isEmpty())
        edSound[row]->setText(QDir::toNativeSeparators(choice.path));
}

void TOptionForm::btSoundTestClick(int row)
{
    // Whatever IventSound says; a missing file plays nothing.
    const QString path = edSound[row]->text();
    if (m_sound && !path.isEmpty() && QFileInfo(path).isFile())
        m_sound->playFile(path);
}

void TOptionForm::btPasswordChangeClick()
{
    {
        TPassChangeForm change(m_session.settings.Password, m_frontend, this);
        connect(&change, &TPassChangeForm::helpRequested, this, &TOptionForm::helpRequested);
        change.exec();
    }
    m_password = m_session.settings.Password;
    edPassword->setText(cp932::decode(m_password));
}

} // namespace zn
