#include "app/termination.h"

#include <QPointer>
#include <QWidget>

#ifdef Q_OS_WIN
#include <QGuiApplication>
#include <QSessionManager>
#else
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace amb {

#ifdef Q_OS_WIN

void closeWindowOnTermination(QWidget* window) {
    QPointer<QWidget> target(window);
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, window,
                     [target](QSessionManager&) {
                         if (target)
                             target->close();
                     });
}

#else

namespace {
int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}
} // namespace

void closeWindowOnTermination(QWidget* window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return; // the window still closes normally; only a signal would not save
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, window);
    QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [target, notifier] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalPipe[1], &byte, 1);
        notifier->setEnabled(false);
        if (target)
            target->close();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

#endif

} // namespace amb
