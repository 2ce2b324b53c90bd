// What the options window and the password windows share.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QSize>
#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

namespace zn {

// A plain label in `colour` (the red lines and warnings, the blue headings).
QLabel *colouredLabel(const QString &text, const QColor &colour, QWidget *parent);

// A masked edit of at most 32 characters, each shown as "*".
QLineEdit *passwordEdit(const QString &objectName, QWidget *parent);

// Fixes the window at its design size, or at what its layout needs when
// the desktop's font needs more, and centres it on the primary screen.
void fixAndCentre(QWidget *window, QSize designSize);

// True when `typed` is exactly `password`, character for character. A
// typed character without a CP932 form matches nothing.
bool passwordMatches(const QString &typed, const QByteArray &password);

} // namespace zn
