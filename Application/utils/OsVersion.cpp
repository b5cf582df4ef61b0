#include "Application/utils/OsVersion.h"

#include "Platform/os/Platform.h"

bool GetOSVersion(vrx::os::OsVersionRecord& record) {
    record = vrx::os::OsVersionRecord{};
    record.dwOSVersionInfoSize = sizeof(vrx::os::OsVersionRecord);
    return vrx::os::platform().systemInfo->getVersion(record);
}
