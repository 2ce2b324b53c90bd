// Test probe: a style plugin that the whole-program tests load into the
// desktop program (QT_PLUGIN_PATH, QT_STYLE_OVERRIDE=zephinetprobe). It draws
// exactly as the platform's own style does and, ten times a second, writes
// what a person would read on the screen to $ZN_PROBE_FILE: every visible
// top-level window with its labels, edits, texts, buttons, list rows, menu
// items and tray icons, each with its place on the screen. The file is
// replaced in one step whenever the picture changes, so a test may read it
// at any time.
//
// Lines, fields separated by tabs, texts with "\\", "\n", "\r" and "\t" escaped:
//   window <title> <objectName> <x> <y> <w> <h> <active 0|1>
//   label|edit|text|button <objectName> <text> <enabled 0|1> <x> <y> <w> <h>
//   row <view objectName> <row> <selected 0|1> <x> <y> <w> <h> <cell 0> <cell 1> ...
//   item <menu objectName> <text> <enabled 0|1> <x> <y> <w> <h>
//   tray <tip> <x> <y> <w> <h>
// Coordinates are global (the screen's); a window line is followed by the
// lines of its widgets.
//
// Where no pointer or keyboard can be driven from outside (a Wayland
// compositor without input devices), the test acts through the probe
// instead: lines appended to $ZN_PROBE_DO, each done once, in order, as soon
// as the control is on screen:
//   click <objectName>          clicks the visible button of that name
//   type <objectName> <text>    replaces the text of that visible edit
//   trigger <objectName>        chooses the menu entry of that name (the
//                               tray menu's, too, which a tray host shows)
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QSaveFile>
#include <QStyleFactory>
#include <QStylePlugin>
#include <QSystemTrayIcon>
#include <QTextEdit>
#include <QTimer>

namespace {

QString escaped(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'\n', QStringLiteral("\\n"));
    text.replace(u'\r', QStringLiteral("\\r"));
    text.replace(u'\t', QStringLiteral("\\t"));
    return text;
}

QString rectFields(const QRect &r)
{
    return QStringLiteral("%1\t%2\t%3\t%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QRect globalRect(const QWidget *w)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

void describeWidget(const QWidget *w, QStringList &out)
{
    const QString name = w->objectName();
    const QString place = rectFields(globalRect(w));
    const QString enabled = w->isEnabled() ? QStringLiteral("1") : QStringLiteral("0");
    const auto line = [&](const char *kind, const QString &text) {
        out << QString::fromLatin1(kind) + u'\t' + name + u'\t' + escaped(text) + u'\t' + enabled + u'\t' + place;
    };
    if (const auto *label = qobject_cast<const QLabel *>(w)) {
        line("label", label->text());
    } else if (const auto *edit = qobject_cast<const QLineEdit *>(w)) {
        line("edit", edit->text());
    } else if (const auto *plain = qobject_cast<const QPlainTextEdit *>(w)) {
        line("text", plain->toPlainText());
    } else if (const auto *rich = qobject_cast<const QTextEdit *>(w)) {
        line("text", rich->toPlainText());
    } else if (const auto *button = qobject_cast<const QAbstractButton *>(w)) {
        line("button", button->text());
        out.last() += button->isChecked() ? QStringLiteral("\t1") : QStringLiteral("\t0");
    } else if (const auto *view = qobject_cast<const QAbstractItemView *>(w);
               view && !qobject_cast<const QHeaderView *>(w)) {
        const QAbstractItemModel *model = view->model();
        if (!model)
            return;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QRect r = view->visualRect(model->index(row, 0));
            QString cells;
            for (int column = 0; column < model->columnCount(); ++column)
                cells += u'\t' + escaped(model->index(row, column).data().toString());
            const QRect global(view->viewport()->mapToGlobal(r.topLeft()), r.size());
            const bool selected = view->selectionModel() && view->selectionModel()->isRowSelected(row, QModelIndex());
            out << QStringLiteral("row\t") + name + u'\t' + QString::number(row) + u'\t'
                    + (selected ? QStringLiteral("1") : QStringLiteral("0")) + u'\t' + rectFields(global) + cells;
        }
    }
}

void describeMenu(const QMenu *menu, QStringList &out)
{
    for (QAction *action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        const QRect r = menu->actionGeometry(action);
        out << QStringLiteral("item\t") + menu->objectName() + u'\t' + escaped(action->text()) + u'\t'
                + (action->isEnabled() ? QStringLiteral("1") : QStringLiteral("0")) + u'\t'
                + rectFields(QRect(menu->mapToGlobal(r.topLeft()), r.size()));
    }
}

QString snapshot()
{
    QStringList out;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        const QRect frame = window->frameGeometry();
        out << QStringLiteral("window\t") + escaped(window->windowTitle()) + u'\t' + window->objectName() + u'\t'
                + rectFields(frame) + u'\t' + (window->isActiveWindow() ? QStringLiteral("1") : QStringLiteral("0"));
        if (const auto *menu = qobject_cast<const QMenu *>(window)) {
            describeMenu(menu, out);
            continue;
        }
        for (const QWidget *child : window->findChildren<QWidget *>()) {
            if (child->isVisibleTo(window))
                describeWidget(child, out);
        }
    }
    // Tray icons are no widgets; they hang below the windows that own them,
    // the main one below the desktop shell, which hangs below the application.
    QList<const QSystemTrayIcon *> icons;
    const auto collect = [&icons](const QList<QSystemTrayIcon *> &found) {
        for (const QSystemTrayIcon *icon : found) {
            if (icon->isVisible() && !icons.contains(icon))
                icons << icon;
        }
    };
    for (QWidget *window : QApplication::topLevelWidgets())
        collect(window->findChildren<QSystemTrayIcon *>());
    collect(qApp->findChildren<QSystemTrayIcon *>());
    for (const QSystemTrayIcon *icon : std::as_const(icons))
        out << QStringLiteral("tray\t") + escaped(icon->toolTip()) + u'\t' + rectFields(icon->geometry());
    return out.join(u'\n') + u'\n';
}

// The visible control of that name, in any visible window.
template <class Control>
Control *visibleControl(const QString &name)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        for (Control *control : window->findChildren<Control *>(name)) {
            if (control->isVisibleTo(window) && control->isEnabled())
                return control;
        }
    }
    return nullptr;
}

// Does the next commands of `path` from line `done` on; false while the
// command's control is not yet there.
bool act(const QString &path, qsizetype &done)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (; done < lines.size(); ++done) {
        const QStringList fields = lines[done].split(u' ');
        if (fields.size() >= 2 && fields[0] == u"click") {
            auto *button = visibleControl<QAbstractButton>(fields[1]);
            if (!button)
                return false;
            button->click();
        } else if (fields.size() >= 2 && fields[0] == u"trigger") {
            QAction *action = nullptr;
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if ((action = window->findChild<QAction *>(fields[1])))
                    break;
            }
            if (!action || !action->isEnabled())
                return false;
            action->trigger();
        } else if (fields.size() >= 2 && fields[0] == u"type") {
            const QString text = fields.mid(2).join(u' ');
            if (auto *plain = visibleControl<QPlainTextEdit>(fields[1]))
                plain->setPlainText(text);
            else if (auto *edit = visibleControl<QLineEdit>(fields[1]))
                edit->setText(text);
            else
                return false;
        }
    }
    return true;
}

class ProbeStyle : public QProxyStyle {
public:
    explicit ProbeStyle(QStyle *base) : QProxyStyle(base) {}

    void polish(QApplication *app) override
    {
        QProxyStyle::polish(app);
        if (m_timer)
            return;
        const QString path = qEnvironmentVariable("ZN_PROBE_FILE");
        if (path.isEmpty())
            return;
        m_timer = new QTimer(app);
        const QString commands = qEnvironmentVariable("ZN_PROBE_DO");
        QObject::connect(m_timer, &QTimer::timeout, app, [this, path, commands] {
            if (!commands.isEmpty())
                act(commands, m_done);
            const QString now = snapshot();
            if (now == m_last)
                return;
            QSaveFile file(path);
            if (file.open(QIODevice::WriteOnly) && file.write(now.toUtf8()) >= 0 && file.commit())
                m_last = now;
        });
        m_timer->start(100);
    }
    using QProxyStyle::polish;

private:
    QTimer *m_timer = nullptr;
    QString m_last;
    qsizetype m_done = 0;
};

} // namespace

class ProbeStylePlugin : public QStylePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QStyleFactoryInterface_iid FILE "probestyle.json")
public:
    QStyle *create(const QString &key) override
    {
        if (key.compare(QStringLiteral("zephinetprobe"), Qt::CaseInsensitive) != 0)
            return nullptr;
        // Whatever the platform would have chosen; Fusion is Qt's own default.
        QStyle *base = nullptr;
        for (const QString &name : {QStringLiteral("Fusion"), QStringLiteral("Windows")}) {
            if ((base = QStyleFactory::create(name)))
                break;
        }
        return new ProbeStyle(base);
    }
};

#include "probestyle.moc"
