// Test probe: a style plugin that the flood test loads into the desktop
// program (QT_PLUGIN_PATH, QT_STYLE_OVERRIDE=zephinetloopprobe). It draws as
// Qt's own style does and measures the program's event loop from inside: a
// timer due every 10 ms records how late each of its runs comes. Four times
// a second it appends one line to $ZN_LOOP_PROBE_FILE, fields separated by tabs:
//   <monotonic ms> <longest lateness in ms since the last line> <resident KiB>
//   <animation windows open> <lines in the notification window> <rows in the user list>
// With $ZN_LOOP_PROBE_NOTICE_FILE set, it also writes the notification
// window's text there each time, its rows joined again (replacing the file).
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStylePlugin>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

constexpr int TickMs = 10;
constexpr int ReportEveryTicks = 25;

qint64 monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

long residentKiB()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class LoopProbe : public QObject {
public:
    LoopProbe(const QString &path, QObject *parent) : QObject(parent), m_file(std::fopen(qPrintable(path), "a"))
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(TickMs);
        connect(&m_timer, &QTimer::timeout, this, &LoopProbe::tick);
        m_since.start();
        m_timer.start();
    }
    ~LoopProbe() override
    {
        if (m_file)
            std::fclose(m_file);
    }

private:
    void tick()
    {
        const qint64 gap = m_since.restart();
        m_worst = qMax(m_worst, gap - TickMs);
        if (++m_ticks % ReportEveryTicks != 0 || !m_file)
            return;
        int animations = 0;
        int noticeLines = 0;
        QString noticeText;
        int rows = 0;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == u"AnimationForm" && w->isVisible())
                ++animations;
            if (w->objectName() == u"IventForm" && w->isVisible()) {
                if (const auto *label = w->findChild<QLabel *>(QStringLiteral("laMessage"))) {
                    noticeLines = int(label->text().count(u'\n')) + (label->text().isEmpty() ? 0 : 1);
                    noticeText = label->text();
                    noticeText.remove(u'\n');
                }
            }
            if (const auto *list = w->findChild<QAbstractItemView *>(QStringLiteral("lvUser")); list && list->model())
                rows = list->model()->rowCount();
        }
        std::fprintf(m_file, "%lld\t%lld\t%ld\t%d\t%d\t%d\n", static_cast<long long>(monotonicMs()),
                     static_cast<long long>(qMax<qint64>(0, m_worst)), residentKiB(), animations, noticeLines, rows);
        std::fflush(m_file);
        m_worst = 0;
        const QString noticePath = qEnvironmentVariable("ZN_LOOP_PROBE_NOTICE_FILE");
        if (!noticePath.isEmpty()) {
            if (FILE *f = std::fopen(qPrintable(noticePath), "w")) {
                std::fputs(noticeText.toUtf8().constData(), f);
                std::fclose(f);
            }
        }
    }

    FILE *m_file;
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_worst = 0;
    qint64 m_ticks = 0;
};

class LoopProbeStyle : public QProxyStyle {
public:
    explicit LoopProbeStyle(QStyle *base) : QProxyStyle(base) {}

    void polish(QApplication *app) override
    {
        QProxyStyle::polish(app);
        const QString path = qEnvironmentVariable("ZN_LOOP_PROBE_FILE");
        if (!m_probe && !path.isEmpty())
            m_probe = new LoopProbe(path, app);
    }
    using QProxyStyle::polish;

private:
    LoopProbe *m_probe = nullptr;
};

} // namespace

class LoopProbePlugin : public QStylePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QStyleFactoryInterface_iid FILE "loopprobe.json")
public:
    QStyle *create(const QString &key) override
    {
        if (key.compare(QStringLiteral("zephinetloopprobe"), Qt::CaseInsensitive) != 0)
            return nullptr;
        return new LoopProbeStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }
};

#include "loopprobe.moc"
