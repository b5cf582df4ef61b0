#include "Application/utils/ShellOpen.h"

#include "Platform/os/Platform.h"
#include "Platform/os/Shell.h"

using namespace vrx::os;

void OpenWithShell(const std::string& target) {
    (void)platform().shell->shellExecute(std::nullopt, target, std::nullopt, std::nullopt,
                                         kSwShowNormal);
}
