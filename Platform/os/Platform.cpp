#include "Platform/os/Platform.h"

namespace vrx::os {

Services& platform() {
    static Services services;
    return services;
}

} // namespace vrx::os
