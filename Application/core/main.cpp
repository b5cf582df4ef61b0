#include "Application/core/Program.h"
#include "Platform/os/Platform.h"
#include "Platform/vrxfw/DeviceChoice.h"

#include <QApplication>

#include <string>

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    vrx::os::installHostPlatform();
    // The driver device the environment chooses; it serves until the program ends.
    const auto device = vrx::vrxfw::installDeviceFromEnvironment();
    std::string tail;
    for (int i = 1; i < argc; ++i)
        tail += (i > 1 ? " " : "") + std::string(argv[i]);
    return RunProgram(tail);
}
