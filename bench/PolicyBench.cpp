#include "Application/core/PacketLog.h"
#include "Application/policy/FilterCreator.h"
#include "Application/store/MemData.h"
#include "Application/store/RuleSchemas.h"
#include "Platform/os/Network.h"
#include "Platform/os/Platform.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

// Compiling 1000 IP rules into the filter table, and writing one batch of 50 log records.

namespace {

void BM_Compile1000Rules(benchmark::State& state) {
    TdxMemData table;
    DefineIPRulesFields(table);
    table.Open();
    const std::vector<std::string> localIps = {"192.168.1.5", "10.0.0.7"};
    for (int i = 0; i < 1000; ++i) {
        table.Append();
        char order[16];
        std::snprintf(order, sizeof order, "0800-06-%04X", i);
        table.FieldByName("OrderID")->SetAsString(order);
        table.FieldByName("EtherType")->SetAsInteger(2048);
        table.FieldByName("ProtocolOnIP")->SetAsInteger(i % 3 == 0 ? 17 : 6);
        table.FieldByName("RemoteIPType")->SetAsInteger(i % 4);
        table.FieldByName("RemoteIP")->SetAsString("192.168.  1. 20");
        table.FieldByName("RemoteIPMask")->SetAsString("255.255.255.  0");
        table.FieldByName("LocalPort")->SetAsInteger(i);
        table.FieldByName("Use")->SetAsInteger(1);
        table.Post();
    }
    TdxMemData empty;
    DefineIPRulesFields(empty);
    TFilterCreator creator;
    creator.FCustomRules = &table;
    creator.FDefaultRules = &empty;
    creator.FLocalNetIP = &localIps;
    for (auto _ : state) {
        creator.SetFilterLevel(slCustom);
        benchmark::DoNotOptimize(creator.Filters());
    }
    state.counters["records"] = creator.FilterCount();
}

/// A memo that keeps its entries in memory, as the window's memo keeps its lines.
class MemoryMemo final : public LogMemo {
public:
    int lineCount() const override { return static_cast<int>(lines_.size()); }
    void clear() override { lines_.clear(); }
    void addEntry(const std::string& text) override { lines_.push_back(text); }
    void beginUpdate() override {}
    void endUpdate() override {}
    void scrollToEnd() override {}

private:
    std::vector<std::string> lines_;
};

void BM_Format50LogRecords(benchmark::State& state) {
    MemoryMemo memo;
    TPacketLog log(memo, PacketLogHost{
                             .protocolName = [](int) { return std::string("TCP"); },
                             .portName = [](int port) { return std::to_string(port); },
                             .startBlinking = [] {},
                             .soundFile = [] { return std::string(); },
                             .timeText = [] { return std::string("12:34:56"); },
                         });
    std::vector<TFilterRecord> records(50);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].Protocol = i % 3 == 0 ? 17 : 6;
        records[i].RemoteAddress = vrx::os::inetAddr("203.0.113.9");
        records[i].LocalPort = static_cast<std::uint16_t>(1000 + i);
        records[i].RemotePort = 80;
        records[i].TCPFlags = static_cast<std::uint8_t>(i % 2 ? 0x02 : 0x18);
        records[i].Action = static_cast<std::uint8_t>(i % 3);
    }
    for (auto _ : state)
        log.HandleLogRecords(reinterpret_cast<const std::uint8_t*>(records.data()), 50);
}

BENCHMARK(BM_Compile1000Rules)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Format50LogRecords)->Unit(benchmark::kMicrosecond);

} // namespace
