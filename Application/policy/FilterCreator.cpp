#include "Application/policy/FilterCreator.h"

#include "Application/store/MemData.h"
#include "Application/utils/AddressText.h"
#include "Platform/os/Network.h"

namespace {

constexpr int kAnyAddress = 0;
constexpr int kLocalNetwork = 1;
constexpr int kOneAddress = 2;
constexpr int kNetwork = 3;

constexpr int kProtocolIcmp = 1;
constexpr int kProtocolTcp = 6;
constexpr int kProtocolUdp = 17;

std::uint32_t addressOf(const std::string& text) {
    return vrx::os::inetAddr(NormalizeIP(text));
}

std::uint8_t low8(std::int32_t value) {
    return static_cast<std::uint8_t>(value);
}
std::uint16_t low16(std::int32_t value) {
    return static_cast<std::uint16_t>(value);
}

/// A 16-bit value as it is held in network byte order on this little-endian host.
std::uint16_t toNetworkOrder(std::uint16_t value) {
    return static_cast<std::uint16_t>(value >> 8 | value << 8);
}

} // namespace

void TFilterCreator::SetFilterLevel(TSaftyLevel level) {
    FFilterLevel = level;
    FRuleTable = level == slCustom ? FCustomRules : FDefaultRules;
    if (FRuleTable == nullptr)
        return;
    if (!FRuleTable->Active()) {
        const auto& load = level == slCustom ? LoadCustomRules : LoadDefaultRules;
        if (load)
            load();
    }
    if (FRuleTable->Active())
        BuildFilters();
    else
        FFilterCount = 0;
}

void TFilterCreator::BuildFilters() {
    ControlsSuspended suspended(*FRuleTable);
    const int n = CountFilters();
    if (n == 0) {
        FFilterCount = 0;
        return;
    }
    FFilters.assign(static_cast<std::size_t>(n), TFilterRecord{});
    FillFilters();
}

int TFilterCreator::CountFilters() {
    int count = 0;
    TField* type = FRuleTable->FieldByName("RemoteIPType");
    for (FRuleTable->First(); !FRuleTable->Eof(); FRuleTable->Next())
        count += type->AsInteger() == kLocalNetwork ? LocalNetCount() : 1;
    return count;
}

bool TFilterCreator::Selected() const {
    switch (FFilterLevel) {
    case slLow:
        return FRuleTable->FieldByName("Low")->AsBoolean();
    case slMiddle:
        return FRuleTable->FieldByName("Middle")->AsBoolean();
    case slHigh:
        return FRuleTable->FieldByName("High")->AsBoolean();
    case slCustom:
        return FRuleTable->FieldByName("Use")->AsInteger() == 1;
    default:
        return false;
    }
}

void TFilterCreator::FillFilters() {
    FFilterCount = 0;
    auto write = [&](std::uint32_t address, std::uint32_t mask) {
        // The count pass is an upper bound; the rows cannot change between the two passes on
        // this thread, but a record is never written past the block.
        if (static_cast<std::size_t>(FFilterCount) >= FFilters.size())
            return;
        WriteFilter(FFilters[static_cast<std::size_t>(FFilterCount)], address, mask);
        ++FFilterCount;
    };

    ControlsSuspended suspended(*FRuleTable);
    TField* type = FRuleTable->FieldByName("RemoteIPType");
    TField* remoteIp = FRuleTable->FieldByName("RemoteIP");
    TField* remoteMask = FRuleTable->FieldByName("RemoteIPMask");
    for (FRuleTable->First(); !FRuleTable->Eof(); FRuleTable->Next()) {
        if (!Selected())
            continue;
        const std::uint32_t address = addressOf(remoteIp->AsString());
        const std::uint32_t mask = addressOf(remoteMask->AsString());
        switch (type->AsInteger()) {
        case kLocalNetwork:
            for (int i = 0; i < LocalNetCount(); ++i) {
                const std::uint32_t local = addressOf((*FLocalNetIP)[static_cast<std::size_t>(i)]);
                std::uint32_t classful = 0;
                ClassfulMask(&local, &classful);
                write(local, classful);
            }
            break;
        case kOneAddress:
            write(address, 0xFFFFFFFFu);
            break;
        case kNetwork:
            write(address, mask);
            break;
        default: // kAnyAddress and every unknown type
            write(0, 0);
            break;
        }
    }
    FRuleTable->First();
}

void TFilterCreator::WriteFilter(TFilterRecord& record, std::uint32_t address,
                                 std::uint32_t mask) const {
    auto value = [this](const char* field) { return FRuleTable->FieldByName(field)->AsInteger(); };
    record.Direction = low8(value("Direction"));
    record.EtherType = toNetworkOrder(low16(value("EtherType")));
    const std::int32_t protocol = value("ProtocolOnIP");
    record.Protocol = low8(protocol);
    record.RemoteAddress = address;
    record.RemoteMask = mask;
    record.LocalPort2 = low16(value("LocalPort2"));
    record.RemotePort2 = low16(value("RemotePort2"));
    if (protocol == kProtocolIcmp) {
        // The type in the port field's first byte, the code in its second.
        record.LocalPort =
            static_cast<std::uint16_t>(low8(value("ICMPType")) | low8(value("ICMPCode")) << 8);
    } else if (protocol == kProtocolTcp || protocol == kProtocolUdp) {
        record.LocalPort = low16(value("LocalPort"));
        record.RemotePort = low16(value("RemotePort"));
        if (protocol == kProtocolTcp)
            record.TCPFlags = low8(value("TCPFlags"));
    }
    record.Action = low8(value("FilterAction"));
    record.AlertType = low8(value("AlertType"));
}
