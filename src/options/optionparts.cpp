#include "options/optionparts.h"

#include "common/codec.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScreen>

namespace zn {

QLabel *colouredLabel(const QString &text, const QColor &colour, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QLineEdit *passwordEdit(const QString &objectName, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setMaxLength(32);
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // "*"
    return edit;
}

void fixAndCentre(QWidget *window, QSize designSize)
{
    if (QLayout *layout = window->layout())
        layout->activate();
    const QSize size = designSize.expandedTo(window->minimumSizeHint());
    window->setFixedSize(size);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    window->move(screen.x() + (screen.width() - size.width()) / 2, screen.y() + (screen.height() - size.height()) / 2);
}

bool passwordMatches(const QString &typed, const QByteArray &password)
{
    const cp932::Encoded encoded = cp932::encode(typed);
    return encoded.ok() && encoded.bytes == password;
}

} // namespace zn
