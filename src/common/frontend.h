// How the core reaches the user. The desktop program implements this with
// windows; tests record the calls; the command-line companion prints them.
#pragma once

#include <QByteArray>
#include <QString>

namespace zn {

// Button and icon flags of message boxes, with the values of the platform
// the program came from, so that flags read as the program's texts give them.
namespace mb {
inline constexpr int Ok = 0x00;
inline constexpr int YesNo = 0x04;
inline constexpr int IconError = 0x10;
inline constexpr int IconQuestion = 0x20;
inline constexpr int IconWarning = 0x30;
inline constexpr int IconInformation = 0x40;
inline constexpr int DefaultButton2 = 0x100;
inline constexpr int ButtonMask = 0x0F;
inline constexpr int IconMask = 0xF0;
} // namespace mb

// Answers of a message box.
enum class Answer { Ok = 1, Yes = 6, No = 7 };

enum class SoundKind { UserOnline = 0, UserOffline = 1, MessageArrived = 2 };

// The notices about one peer that a desktop may announce elsewhere than in
// the notification window (its notification server).
enum class NoticeKind { Arrival, Online, Offline, ReadConfirmed, DeliveryWarning };

class Frontend {
public:
    virtual ~Frontend() = default;

    // A modal box captioned "Zephinet". Datagrams keep being handled while it
    // is open; the implementation sets the dialog-showing flag meanwhile.
    virtual Answer showMessageBox(const QString &text, int flags) = 0;

    // The non-modal notification window.
    virtual void showEventNotice(const QString &text, bool important) = 0;
    // A notice of one of the kinds above, as the notification window shows it.
    virtual void announceEvent(NoticeKind kind, const QString &text, bool important)
    {
        (void)kind;
        showEventNotice(text, important);
    }

    virtual void playEventSound(SoundKind kind) = 0;

    // A HUZAI_MESSAGE with an absence text addressed to this copy.
    virtual void openAbsenceWindow(const QByteArray &machineName, const QByteArray &handleName,
                                   const QByteArray &text) = 0;

    // An asked-for answer saying the peer is present or has no absence
    // message: `text` names him. A box with the information icon, unless the
    // frontend reports such answers otherwise.
    virtual void showNoAbsenceMessage(const QString &text) { showMessageBox(text, mb::Ok | mb::IconInformation); }
};

} // namespace zn
