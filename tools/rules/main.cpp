#include "tools/rules/RulesTool.h"

#include "Platform/os/Platform.h"
#include "Platform/os/SystemInfo.h"

#include <iostream>

int main(int argc, char** argv) {
    // The configuration store takes its default sound file from the program folder.
    vrx::os::platform().systemInfo = &vrx::os::hostSystemInfo();
    return RulesTool::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
