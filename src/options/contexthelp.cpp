#include "options/contexthelp.h"

#include "options/helpcontexts.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace zn {

namespace {
constexpr const char *Property = "helpContext";

QString nameOf(std::string_view name)
{
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}
} // namespace

ContextHelp::ContextHelp(QWidget *window) : QObject(window)
{
    for (const HelpContextEntry &entry : OptionHelpContexts) {
        // A page is a child of the window, or the window itself.
        QWidget *page =
            window->objectName() == nameOf(entry.page) ? window : window->findChild<QWidget *>(nameOf(entry.page));
        if (!page)
            continue;
        QWidget *control = page->findChild<QWidget *>(nameOf(entry.control));
        if (!control)
            continue;
        control->setProperty(Property, entry.context);
        control->installEventFilter(this);
    }
}

int ContextHelp::contextOf(const QWidget *widget)
{
    for (; widget; widget = widget->parentWidget()) {
        const QVariant context = widget->property(Property);
        if (context.isValid())
            return context.toInt();
        if (widget->isWindow())
            break;
    }
    return 0;
}

bool ContextHelp::eventFilter(QObject *watched, QEvent *event)
{
    const auto *widget = qobject_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1
            && static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
            emit helpRequested(contextOf(widget));
            return true;
        }
        break;
    case QEvent::QueryWhatsThis:
        // Every numbered control answers the title bar's help button.
        event->accept();
        return true;
    case QEvent::WhatsThis: emit helpRequested(contextOf(widget)); return true;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zn
