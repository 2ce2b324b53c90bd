// The options window: every user preference on six pages, checked and
// copied into the settings by "適用" (apply) and "設定" (OK), then written
// to the settings file. Non-modal; one at a time (OptionFormOpener).
#pragma once

#include "settings/settings.h"

#include <QByteArray>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace zn {

class Frontend;
class Session;
class SoundOutput;
struct OptionRefusal;

// A file chooser as the options window asks for one. `filters` are in the
// chooser's "name(patterns)" form; `directory` is empty for none.
struct FileRequest {
    enum Kind { Open, Save };
    Kind kind = Open;
    QString title;
    QStringList filters;
    QString directory;
};
// The chosen file (empty when cancelled) and the index of the filter in use.
struct FileChoice {
    QString path;
    int filter = 0;
};
using FileChooser = std::function<FileChoice(QWidget *parent, const FileRequest &request)>;

class TOptionForm : public QWidget {
    Q_OBJECT
public:
    TOptionForm(Session &session, Frontend &frontend, QWidget *parent = nullptr);
    ~TOptionForm() override;

    // Seams: the "♪" buttons play through `output` (the sound system by
    // default); the "参照" buttons ask `chooser` (the desktop's file dialogs).
    void setSoundOutput(std::unique_ptr<SoundOutput> output);
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // The controls filled from the settings; btTekiyo disabled.
    void FormShow();
    // Checks, then applies through the session: copied into the settings,
    // the local information broadcast, the settings file written. False
    // when a check refused a value (its page and control shown) or the
    // write failed.
    bool btTekiyoClick();
    void btSetteiClick();
    void btCancelClick();
    void btAddSendIPClick();
    void btDeleteSendIPClick();
    void btLogSansyoClick();
    void btPasswordChangeClick();
    // Row 0 online, 1 offline, 2 message received.
    void btSansyoClick(int row);
    void btSoundTestClick(int row);

    // Another absence message came in force while this window is open (the
    // absence-message editor stored it): the page shows it, to be applied.
    void setHuzaiMessage(const QByteArray &message);
    // Where the desktop gives the program no system-wide hot keys, the
    // behaviour page says so and names the command lines that the
    // desktop's own keyboard settings can bind instead.
    void setHotKeysAvailable(bool available);

    static constexpr QSize DesignSize{480, 388};
    static constexpr int MaxHuzaiMessageChars = 1000;

    QTabWidget *pcOption = nullptr;
    QWidget *tsLocal = nullptr;
    QWidget *tsSetting = nullptr;
    QWidget *tsLog = nullptr;
    QWidget *tsNetwork = nullptr;
    QWidget *tsIvent = nullptr;
    QWidget *tsSound = nullptr;

    QLineEdit *edHandleName = nullptr;
    QLineEdit *edMachineName = nullptr;
    QLineEdit *edIPAddress = nullptr;
    QPlainTextEdit *mmHuzaiMessage = nullptr;

    QCheckBox *cbStartShow = nullptr;
    QCheckBox *cbSendAfterClose = nullptr;
    QCheckBox *cbRecvAutoOpen = nullptr;
    QCheckBox *cbReturnRecvHide = nullptr;
    QCheckBox *cbRecvOpenCheck = nullptr;
    QCheckBox *cbHuzaiModeCheck = nullptr;
    QCheckBox *cbHuzaiSetCheck = nullptr;
    QCheckBox *cbHuzaiReturnCheck = nullptr;
    QCheckBox *cbSendSelfCheck = nullptr;
    QCheckBox *cbSendMachineHide = nullptr;
    QCheckBox *cbRecvMachineHide = nullptr;
    QCheckBox *cbRecvDateHide = nullptr;
    QCheckBox *cbTaskClipHide = nullptr;
    QCheckBox *cbTaskHuzaiHide = nullptr;
    QCheckBox *cbReturnMessagePlus = nullptr;
    QCheckBox *cbClipRecvInfo = nullptr;
    QLabel *laHotKeys = nullptr;

    QCheckBox *cbLogSave = nullptr;
    QLabel *laLogFile = nullptr;
    QLineEdit *edLogFileName = nullptr;
    QPushButton *btLogSansyo = nullptr;
    QLabel *laLogSize1 = nullptr;
    QLineEdit *edLogFileSize = nullptr;
    QLabel *laLogSize2 = nullptr;
    QLineEdit *edPassword = nullptr;
    QPushButton *btPasswordChange = nullptr;
    QCheckBox *cbPasswordOnline = nullptr;
    QCheckBox *cbPasswordOption = nullptr;
    QCheckBox *cbPasswordRecv = nullptr;
    QCheckBox *cbPasswordLog = nullptr;

    QLineEdit *edAddSendIP = nullptr;
    QPushButton *btAddSendIP = nullptr;
    QListWidget *lbSendIP = nullptr;
    QPushButton *btDeleteSendIP = nullptr;
    QLineEdit *edPortNo = nullptr;

    QCheckBox *cbOnlineCheck = nullptr;
    QCheckBox *cbOffLineCheck = nullptr;
    QCheckBox *cbOpenCheck = nullptr;
    QCheckBox *cbRecvCheck = nullptr;
    // DesktopNotification: shows the choice in force, the desktop's default included.
    QCheckBox *cbDesktopNotification = nullptr;
    // DirectSend: checked unless broadcast only was chosen.
    QCheckBox *cbDirectSend = nullptr;
    QCheckBox *cbAutoLocate = nullptr;
    QCheckBox *cbAutoClose = nullptr;
    QLabel *laAutoClose1 = nullptr;
    QLineEdit *edAutoClose = nullptr;
    QLabel *laAutoClose2 = nullptr;
    QCheckBox *cbExclamationAutoClose = nullptr;

    QRadioButton *rbIventSoundNone = nullptr;
    QRadioButton *rbIventSoundBeep = nullptr;
    QRadioButton *rbIventSoundWave = nullptr;
    // Rows 0 online, 1 offline, 2 message received.
    std::array<QLabel *, 3> laSound{};
    std::array<QLineEdit *, 3> edSound{};
    std::array<QPushButton *, 3> btSoundTest{};
    std::array<QPushButton *, 3> btSansyo{};
    QComboBox *cbTaskAnimation = nullptr;
    QComboBox *cbMouseAnimation = nullptr;
    // Language: the desktop's, Japanese, English (the setting plus one).
    QComboBox *cbLanguage = nullptr;

    QPushButton *btSettei = nullptr;
    QPushButton *btCancel = nullptr;
    QPushButton *btTekiyo = nullptr;

signals:
    // An apply passed the checks (changed or not): `old` before, `now` after.
    void settingsApplied(const zn::Settings &old, const zn::Settings &now);
    void helpRequested(int context);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A check box of the settings and the field it shows.
    struct CheckBinding {
        QCheckBox *box;
        bool Settings::*field;
    };

    // The controls and their layout (optionpages.cpp), then what they do.
    void layOut();
    void buildLocalPage();
    void buildSettingPage();
    void buildLogPage();
    void buildNetworkPage();
    void buildIventPage();
    void buildSoundPage();
    QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, bool Settings::*field);
    void connectControls();
    void trackChanges();
    void changed();
    void cbLogSaveClick();
    void cbAutoCloseClick();
    void soundRowsEnabled(bool enabled);
    void limitHuzaiMessage(int position, int added);
    bool refuse(const OptionRefusal &refusal);

    Session &m_session;
    Frontend &m_frontend;
    std::unique_ptr<SoundOutput> m_sound;
    FileChooser m_chooseFile;
    std::vector<CheckBinding> m_checks;
    // What the two texts showed when filled, and the bytes they came from:
    // an unchanged text keeps its bytes, even those that CP932 cannot decode.
    QString m_shownHandleName;
    QByteArray m_storedHandleName;
    QString m_shownHuzaiMessage;
    QByteArray m_storedHuzaiMessage;
    // The password edPassword stands for (it shows only "*").
    QByteArray m_password;
    bool m_limitingHuzai = false;
};

} // namespace zn
