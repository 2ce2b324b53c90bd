#include "common/failurereports.h"

#include "common/frontend.h"

namespace zn {

bool FailureReports::firstInCommand(const QString &text)
{
    if (m_shown.isEmpty())
        return true;
    QSet<QString> &shown = m_shown.last();
    if (shown.contains(text))
        return false;
    shown.insert(text);
    return true;
}

void FailureReports::notice(const QString &text)
{
    if (firstInCommand(text))
        m_frontend.showEventNotice(text, true);
}

} // namespace zn
