// Start-up benchmark: the time from starting the program to its window being
// painted, and its resident memory at rest. Needs a display (run under xvfb-run).
#include "bench_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

static long residentKiB(qint64 pid) {
    return amb::bench::procStatusKiB("VmRSS:", QString::number(pid));
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString program = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                     : QStringLiteral(AMBREVALE_PROGRAM_DIR "/ambrevale");
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "bench_startup needs a display: run it as xvfb-run -a %s\n", argv[0]);
        return 2;
    }
    const int runs = 5;
    std::vector<double> times;
    long rss = -1;
    for (int run = 0; run < runs; ++run) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("AMBREVALE_REPORT_STARTUP"), QStringLiteral("1"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"),
                   QStringLiteral("/tmp/ambrevale-bench-config"));
        process.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        process.start(program, {});
        bool shown = false;
        while (!shown && process.waitForReadyRead(10000))
            shown = process.readAllStandardOutput().contains("window shown");
        if (!shown) {
            std::fprintf(stderr, "the window was not shown: %s\n",
                         process.readAllStandardError().constData());
            return 1;
        }
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (run == runs - 1) {
            QThread::msleep(1000); // at rest
            rss = residentKiB(process.processId());
        }
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        process.waitForFinished(5000);
    }
    std::sort(times.begin(), times.end());
    std::printf("start to window shown: median %.1f ms (min %.1f, max %.1f, %d runs)\n",
                times[times.size() / 2], times.front(), times.back(), runs);
    std::printf("resident memory at rest: %.1f MiB\n", rss / 1024.0);
    std::printf("HEADLINE\tstart to window shown (median)\t%.1f ms\n", times[times.size() / 2]);
    std::printf("HEADLINE\tresident memory at rest\t%.1f MiB\n", rss / 1024.0);
    return 0;
}
