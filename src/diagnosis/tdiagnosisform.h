#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace zn {

class Diagnosis;
class Session;
struct Finding;

// The window "Zephinet -接続の診断-": the connection checks of the running
// copy, each finding with its verdict, what it means and what to do. The
// checks run while the window stays responsive; 再診断 runs them again.
class TDiagnosisForm : public QWidget {
    Q_OBJECT
public:
    // The checks use `session`'s port, extra addresses and socket; the
    // segment is listened to for `seconds`.
    explicit TDiagnosisForm(Session &session, int seconds = 3, QWidget *parent = nullptr);
    ~TDiagnosisForm() override;

    // Shows the window (raised, active) and runs the checks unless they are
    // running.
    void showAndRun();
    void btRunClick();

    QTextBrowser *findingView() const { return m_tbFinding; }
    QLabel *statusLabel() const { return m_lbStatus; }
    const Diagnosis &diagnosis() const { return *m_diagnosis; }

signals:
    // The checks ended and the findings are shown.
    void diagnosed();

private:
    void showFindings();

    Session &m_session;
    int m_seconds;
    std::unique_ptr<Diagnosis> m_diagnosis;
    QLabel *m_lbStatus = nullptr;
    QTextBrowser *m_tbFinding = nullptr;
    QPushButton *m_btRun = nullptr;
    QPushButton *m_btClose = nullptr;
};

// The findings as the window shows them: each with its verdict, the check's
// name, what was found (network texts escaped), what it means and what to do.
QString FindingsHtml(const QList<Finding> &findings);

} // namespace zn
