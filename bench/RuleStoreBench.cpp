#include "Application/store/FileKey.h"
#include "Application/store/MemData.h"
#include "Application/store/MemoryStream.h"
#include "Application/store/Rc6.h"
#include "Application/store/RuleFile.h"
#include "Application/store/RuleSchemas.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <string>

// The rule store with 10,000 application rules: saving and loading "AppRule.dat" on disk (table
// stream format, cipher, file replacement), and the access decision's case-insensitive locate by
// executable path.

namespace {

constexpr int kRules = 10000;

std::string ModulePath(int i) {
    return "/usr/lib/vendor" + std::to_string(i % 97) + "/bin/Application" + std::to_string(i);
}

void FillAppRules(TdxMemData& table) {
    DefineAppRulesFields(table);
    table.Open();
    for (int i = 0; i < kRules; ++i) {
        table.Append();
        table.FieldByName("cAppName")->SetAsString("Application " + std::to_string(i));
        table.FieldByName("cAppModuleName")->SetAsString(ModulePath(i));
        table.FieldByName("cAppDesc")->SetAsString("应用程序 " + std::to_string(i));
        table.FieldByName("cAppVer")->SetAsString("1.0." + std::to_string(i % 100));
        table.FieldByName("bTCPConnect")->SetAsBoolean(true);
        table.FieldByName("bTCPListen")->SetAsBoolean(i % 2 == 0);
        table.FieldByName("bUDPSend")->SetAsBoolean(true);
        table.FieldByName("bUDPReceive")->SetAsBoolean(false);
        table.FieldByName("nTCPConnectPortType")->SetAsInteger(i % 3);
        table.FieldByName("nTCPConnectPortStart")->SetAsInteger(80);
        table.FieldByName("nTCPConnectPortEnd")->SetAsInteger(443);
        table.FieldByName("mTCPConnectPortList")->SetAsString("80,443");
        table.FieldByName("nActionWhenNotMatch")->SetAsInteger(1);
        table.FieldByName("nActionWhenAccessNet")->SetAsInteger(0);
        table.Post();
    }
}

void BM_SaveAppRules10k(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("AppRule.dat").toStdString();
    TdxMemData table;
    FillAppRules(table);
    TRC6 cipher(kFileKeyText);
    TMemoryStream work;
    for (auto _ : state)
        RuleFile::Write(table, path, cipher, work);
}
BENCHMARK(BM_SaveAppRules10k)->Unit(benchmark::kMillisecond);

void BM_LoadAppRules10k(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("AppRule.dat").toStdString();
    TRC6 cipher(kFileKeyText);
    TMemoryStream work;
    {
        TdxMemData table;
        FillAppRules(table);
        RuleFile::Write(table, path, cipher, work);
    }
    TdxMemData loaded;
    DefineAppRulesFields(loaded);
    for (auto _ : state) {
        RuleFile::Read(loaded, path, cipher, work);
        benchmark::DoNotOptimize(loaded.RecordCount());
    }
}
BENCHMARK(BM_LoadAppRules10k)->Unit(benchmark::kMillisecond);

void BM_LocatePathIgnoringCase10k(benchmark::State& state) {
    TdxMemData table;
    FillAppRules(table);
    // The last rule, written in another case: the worst case of a search in table order.
    std::string wanted = ModulePath(kRules - 1);
    for (char& c : wanted)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    for (auto _ : state)
        benchmark::DoNotOptimize(
            table.Locate("cAppModuleName", wanted, TLocateOptions::CaseInsensitive));
}
BENCHMARK(BM_LocatePathIgnoringCase10k)->Unit(benchmark::kMicrosecond);

} // namespace
