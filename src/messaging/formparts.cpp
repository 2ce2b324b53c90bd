#include "messaging/formparts.h"

#include "app/session.h"
#include "common/screenfit.h"
#include "platform/screens.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace zn {

namespace {
constexpr QSize MinimumWindowSize(200, 150);
} // namespace

QLabel *headerLabel(const QString &text, const QColor &colour, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

void restorePlacement(QWidget *window, const Session &session, QByteArrayView section, QSize designSize)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const Placement p = session.readPlacement(
        section, {screen.x() + (screen.width() - designSize.width()) / 2,
                  screen.y() + (screen.height() - designSize.height()) / 2, designSize.width(),
                  designSize.height()});
    // At least what the layout needs, so that the window does not grow past
    // the screen after it was fitted.
    const QRect fitted = fitOnScreens({p.left, p.top}, {p.width, p.height}, availableScreenGeometries(),
                                      MinimumWindowSize.expandedTo(window->minimumSizeHint()));
    window->resize(fitted.size());
    window->move(fitted.topLeft());
}

} // namespace zn
