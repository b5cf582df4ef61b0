#include "Platform/os/Handles.h"
#include "Platform/os/NamedMutexes.h"

#include <cstdio>

// A second process for the named mutex tests: creates the mutex named by its argument in the
// runtime folder of its environment and prints the last error it got (0 or 183).
int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const vrx::os::Handle mutex = vrx::os::hostNamedMutexes().createMutex(false, argv[1]);
    if (mutex == vrx::os::kInvalidHandle)
        return 3;
    std::printf("%u\n", vrx::os::lastError());
    vrx::os::closeHandle(mutex);
    return 0;
}
