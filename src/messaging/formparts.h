// What the send and receive windows share: their coloured section headers
// and how they restore a stored placement.
#pragma once

#include <QByteArrayView>
#include <QColor>
#include <QSize>
#include <QString>

class QLabel;
class QWidget;

namespace zn {

class Session;

// A bold header in `colour`: "送信先情報" blue, "送信メッセージ" red, ...
QLabel *headerLabel(const QString &text, const QColor &colour, QWidget *parent);

// Places `window` as stored in `section`, by default centred at its design
// size, always fitted onto the screens there are now.
void restorePlacement(QWidget *window, const Session &session, QByteArrayView section, QSize designSize);

} // namespace zn
