// How long a burst of notices takes the notification window: bench_notice
#include "platform/tiventform.h"
#include "settings/settings.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    zn::Settings s;
    zn::TIventForm f(s, std::nullopt);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < (argc > 1 ? atoi(argv[1]) : 2000); ++i) {
        f.ShowEventNotice(
            QStringLiteral(
                "約1分前に「peer%1」に送信したメッセージは正常に送信されませんでした。必要があれば、再度送信してください。")
                .arg(i),
            true);
        if (i % 500 == 499)
            std::printf("%d notices: %lld ms, height %d\n", i + 1, t.elapsed(), f.height());
    }
}
