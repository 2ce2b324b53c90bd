#pragma once

#include "common/frontend.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QWidget;

namespace zn {

class DesktopNotifier;
class TIventForm;

// The desktop program's face of the core: message boxes, the notification
// window and sounds.
class DesktopFrontend : public QObject, public Frontend {
    Q_OBJECT
public:
    explicit DesktopFrontend(QObject *parent = nullptr);

    Answer showMessageBox(const QString &text, int flags) override;
    void showEventNotice(const QString &text, bool important) override;
    // Through the notifier, when it takes the notice; else as any notice.
    void announceEvent(NoticeKind kind, const QString &text, bool important) override;
    void playEventSound(SoundKind kind) override;
    void openAbsenceWindow(const QByteArray &machineName, const QByteArray &handleName,
                           const QByteArray &text) override;

    // True while a message box or password prompt is open.
    bool dialogShowing() const { return m_dialogShowing; }
    void setDialogShowing(bool showing);

    // Where notices and sounds go once the windows that show them exist.
    void setNoticeSink(std::function<void(const QString &, bool)> sink) { m_noticeSink = std::move(sink); }
    void setSoundSink(std::function<void(SoundKind)> sink) { m_soundSink = std::move(sink); }
    // Notices go to `notice` in batches, a box waiting for an answer stays
    // above it, and its countdown waits while a box is open.
    void showNoticesIn(TIventForm &notice);
    // Notices about peers go to `notifier` while it takes them; those that
    // its server refuses come back here.
    void announceThrough(DesktopNotifier &notifier);

    // Test seams: the next box, or every box until reset, is answered at
    // once with this, without being shown. They belong to this frontend, so
    // that one test's answers never reach another's boxes.
    void setNextAnswer(Answer answer) { m_nextAnswer = answer; }
    void setAutoAnswer(std::optional<Answer> answer) { m_autoAnswer = answer; }

    // The box on screen, or null: a notice shown meanwhile must not cover it.
    QWidget *openBox() const { return m_openBox; }

signals:
    void messageBoxShown(const QString &text, int flags);
    // The dialog-showing flag changed.
    void dialogShowingChanged(bool showing);
    void absenceMessageReceived(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text);

private:
    bool m_dialogShowing = false;
    std::function<void(const QString &, bool)> m_noticeSink;
    std::function<void(SoundKind)> m_soundSink;
    std::optional<Answer> m_nextAnswer;
    std::optional<Answer> m_autoAnswer;
    QPointer<QWidget> m_openBox;
    QPointer<DesktopNotifier> m_notifier;
};

} // namespace zn
