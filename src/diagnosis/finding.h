// One result of the connection checks: a verdict, what was found, what it
// means and what to do, in words for people and in fields for scripts.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace zn {

struct Finding {
    enum class Verdict { Ok, Warning, Problem };
    // "port", "interfaces", "routes", "firewall", "segment" or "send-ip".
    QString check;
    Verdict verdict = Verdict::Ok;
    QString summary; // what was found
    QString meaning; // what it means; may be empty
    QString action;  // what to do; empty when nothing is to be done
    QJsonObject details;
};

// "ok", "warning", "problem".
QString VerdictName(Finding::Verdict verdict);
// The check's name as the window shows it: "port" -> "ポート".
QString CheckTitle(const QString &check);
// {"check", "verdict", "summary", "meaning", "action", "details"}.
QJsonObject FindingJson(const Finding &finding);
// A finding back from FindingJson's object (another copy's answer); none
// when the object is not one.
std::optional<Finding> FindingFromJson(const QJsonObject &object);
bool AnyProblem(const QList<Finding> &findings);

} // namespace zn
