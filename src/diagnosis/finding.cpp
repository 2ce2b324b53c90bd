#include "diagnosis/finding.h"

#include <QCoreApplication>

#include <algorithm>

namespace zn {

QString VerdictName(Finding::Verdict verdict)
{
    switch (verdict) {
    case Finding::Verdict::Ok: return QStringLiteral("ok");
    case Finding::Verdict::Warning: return QStringLiteral("warning");
    case Finding::Verdict::Problem: break;
    }
    return QStringLiteral("problem");
}

QString CheckTitle(const QString &check)
{
    if (check == u"port")
        return QCoreApplication::translate("Diagnosis", "ポート");
    if (check == u"interfaces")
        return QCoreApplication::translate("Diagnosis", "ネットワークインターフェース");
    if (check == u"routes")
        return QCoreApplication::translate("Diagnosis", "ブロードキャストの経路");
    if (check == u"firewall")
        return QCoreApplication::translate("Diagnosis", "ファイアウォール");
    if (check == u"segment")
        return QCoreApplication::translate("Diagnosis", "セグメントのZephinet");
    if (check == u"send-ip")
        return QCoreApplication::translate("Diagnosis", "メッセージを送るマシンのIPアドレス");
    return check;
}

QJsonObject FindingJson(const Finding &finding)
{
    return {{u"check"_qs, finding.check},     {u"verdict"_qs, VerdictName(finding.verdict)},
            {u"summary"_qs, finding.summary}, {u"meaning"_qs, finding.meaning},
            {u"action"_qs, finding.action},   {u"details"_qs, finding.details}};
}

std::optional<Finding> FindingFromJson(const QJsonObject &object)
{
    Finding finding;
    finding.check = object.value(u"check").toString();
    const QString verdict = object.value(u"verdict").toString();
    if (finding.check.isEmpty() || (verdict != u"ok" && verdict != u"warning" && verdict != u"problem"))
        return std::nullopt;
    finding.verdict = verdict == u"ok" ? Finding::Verdict::Ok
        : verdict == u"warning"        ? Finding::Verdict::Warning
                                       : Finding::Verdict::Problem;
    finding.summary = object.value(u"summary").toString();
    finding.meaning = object.value(u"meaning").toString();
    finding.action = object.value(u"action").toString();
    finding.details = object.value(u"details").toObject();
    return finding;
}

bool AnyProblem(const QList<Finding> &findings)
{
    return std::any_of(findings.cbegin(), findings.cend(),
                       [](const Finding &f) { return f.verdict == Finding::Verdict::Problem; });
}

} // namespace zn
