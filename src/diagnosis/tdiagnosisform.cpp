#include "diagnosis/tdiagnosisform.h"

#include "diagnosis/diagnosis.h"
#include "net/udpservice.h"
#include "platform/iconstrip.h"
#include "session/session.h"
#include "settings/sendiplist.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace zn {

namespace {

QString paragraphs(const QString &text)
{
    return text.toHtmlEscaped().replace(u'\n', u"<br>"_qs);
}

} // namespace

QString FindingsHtml(const QList<Finding> &findings)
{
    QString html;
    for (const Finding &f : findings) {
        QString mark;
        QString color;
        switch (f.verdict) {
        case Finding::Verdict::Ok:
            mark = TDiagnosisForm::tr("【正常】");
            color = QStringLiteral("#1a7f37");
            break;
        case Finding::Verdict::Warning:
            mark = TDiagnosisForm::tr("【注意】");
            color = QStringLiteral("#9a6700");
            break;
        case Finding::Verdict::Problem:
            mark = TDiagnosisForm::tr("【問題】");
            color = QStringLiteral("#cf222e");
            break;
        }
        html += u"<p><b><span style=\"color:" + color + u"\">" + mark.toHtmlEscaped() + u"</span> "
            + CheckTitle(f.check).toHtmlEscaped() + u"</b><br>" + paragraphs(f.summary);
        if (!f.meaning.isEmpty())
            html += u"<br>" + paragraphs(f.meaning);
        if (!f.action.isEmpty())
            html += u"<br><i>" + TDiagnosisForm::tr("対処: ").toHtmlEscaped() + paragraphs(f.action) + u"</i>";
        html += u"</p>";
    }
    return html;
}

TDiagnosisForm::TDiagnosisForm(Session &session, int seconds, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session), m_seconds(seconds)
{
    setObjectName(QStringLiteral("DiagnosisForm"));
    setWindowTitle(tr("Zephinet -接続の診断-"));
    setWindowIcon(IconStrip::icon(IconStrip::Present));
    resize(560, 480);

    m_lbStatus = new QLabel(this);
    m_lbStatus->setObjectName(QStringLiteral("lbStatus"));
    m_lbStatus->setTextFormat(Qt::PlainText);
    m_lbStatus->setWordWrap(true);
    m_tbFinding = new QTextBrowser(this);
    m_tbFinding->setObjectName(QStringLiteral("tbFinding"));
    m_tbFinding->setOpenLinks(false);
    m_btRun = new QPushButton(tr("再診断(&R)"), this);
    m_btRun->setObjectName(QStringLiteral("btRun"));
    m_btClose = new QPushButton(tr("閉じる(&C)"), this);
    m_btClose->setObjectName(QStringLiteral("btClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btRun);
    buttons->addWidget(m_btClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lbStatus);
    layout->addWidget(m_tbFinding, 1);
    layout->addLayout(buttons);

    connect(m_btRun, &QPushButton::clicked, this, &TDiagnosisForm::btRunClick);
    connect(m_btClose, &QPushButton::clicked, this, &QWidget::close);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

TDiagnosisForm::~TDiagnosisForm() = default;

void TDiagnosisForm::showAndRun()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    if (!m_diagnosis || !m_diagnosis->isRunning())
        btRunClick();
}

void TDiagnosisForm::btRunClick()
{
    if (m_diagnosis && m_diagnosis->isRunning())
        return;
    // The settings of the running copy: the port it holds and the extra
    // addresses it sends to.
    DiagnosisOptions options;
    options.port = m_session.udp().isRunning() ? m_session.udp().port() : m_session.settings.ActivePortNo;
    options.seconds = m_seconds;
    options.sendIp = SplitSendIP(m_session.settings.SendIP);
    m_diagnosis = std::make_unique<Diagnosis>(options, &m_session);
    connect(m_diagnosis.get(), &Diagnosis::finished, this, &TDiagnosisForm::showFindings);
    m_btRun->setEnabled(false);
    m_lbStatus->setText(tr("診断しています。ほかのZephinetからの応答を%1秒待ちます…").arg(m_seconds));
    m_diagnosis->start();
}

void TDiagnosisForm::showFindings()
{
    const QList<Finding> &findings = m_diagnosis->findings();
    int problems = 0;
    int warnings = 0;
    for (const Finding &f : findings) {
        problems += f.verdict == Finding::Verdict::Problem;
        warnings += f.verdict == Finding::Verdict::Warning;
    }
    if (problems > 0)
        m_lbStatus->setText(tr("問題が%1件、注意が%2件あります。").arg(problems).arg(warnings));
    else if (warnings > 0)
        m_lbStatus->setText(tr("問題はありませんが、注意が%1件あります。").arg(warnings));
    else
        m_lbStatus->setText(tr("問題は見つかりませんでした。"));
    m_tbFinding->setHtml(FindingsHtml(findings));
    m_btRun->setEnabled(true);
    emit diagnosed();
}

} // namespace zn
