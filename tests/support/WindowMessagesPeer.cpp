// A second process for the window message tests, working through the host's window messages:
//   WindowMessagesPeer post <title> <message> <wParam> <lParam>
//       finds the window by its title and posts the message; exit code 0 when it was posted,
//       3 when no window was found, 4 when posting failed.
//   WindowMessagesPeer receive <class> <title>
//       registers a window, prints "ready", and prints the first message it receives as
//       "<message> <wParam> <lParam>"; exit code 0, or 5 when nothing came within 30 s (a
//       safety net so that a broken test never leaves this process behind).
#include "Platform/os/WindowMessages.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <string>

using vrx::os::hostWindowMessages;

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    auto& messages = hostWindowMessages();

    if (arguments.size() == 6 && arguments[1] == "post") {
        const auto window = messages.findWindow(std::nullopt, arguments[2].toStdString());
        if (!window)
            return 3;
        const bool posted = messages.postMessage(*window, arguments[3].toUInt(),
                                                 arguments[4].toUInt(), arguments[5].toUInt());
        return posted ? 0 : 4;
    }

    if (arguments.size() == 4 && arguments[1] == "receive") {
        const auto registration = messages.registerWindow(
            arguments[2].toStdString(), arguments[3].toStdString(),
            [](std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
                std::printf("%u %u %u\n", message, wParam, lParam);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        if (registration == 0)
            return 2;
        std::printf("ready\n");
        std::fflush(stdout);
        QTimer::singleShot(30000, [] { QCoreApplication::exit(5); });
        const int code = application.exec();
        messages.unregisterWindow(registration);
        return code;
    }
    return 1;
}
