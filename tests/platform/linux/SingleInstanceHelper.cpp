// A program that claims the single instance, for tests that need two real processes.
// Exit codes: 0 the first instance was activated, 10 notified the running instance,
// 11 ended silently, 12 failed, 3 nobody activated the first instance in time. A later
// instance prints how long its claim took. With the argument "busy" the first instance
// listens but runs no event loop until its input ends, as it does while it starts up.

#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CSingleInstance instance(QStringLiteral("Travelkin"));
    QElapsedTimer clock;
    clock.start();
    const CSingleInstance::Claim claim = instance.Acquire();
    if (claim != CSingleInstance::Claim::First)
        std::printf("claimed in %lld ms\n", static_cast<long long>(clock.elapsed()));
    switch (claim) {
    case CSingleInstance::Claim::First:
        break;
    case CSingleInstance::Claim::Notified:
        return 10;
    case CSingleInstance::Claim::Silent:
        return 11;
    case CSingleInstance::Claim::Failed:
        return 12;
    }
    if (argc > 1 && std::strcmp(argv[1], "busy") == 0) {
        std::puts("listening");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    QObject::connect(&instance, &CSingleInstance::activateRequested, &app, [&app] {
        std::puts("activated");
        std::fflush(stdout);
        app.quit();
    });
    QTimer::singleShot(20000, &app, [&app] { app.exit(3); });
    std::puts("listening");
    std::fflush(stdout);
    return app.exec();
}
