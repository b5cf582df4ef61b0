#include "Application/core/KernalCallBack.h"
#include "Application/core/MainForm.h"
#include "Application/store/DataModule.h"
#include "Application/store/FileKey.h"
#include "Application/store/MemoryStream.h"
#include "Application/store/Rc6.h"
#include "Application/store/RuleFile.h"
#include "Application/store/RuleSchemas.h"
#include "Platform/forms/Application.h"
#include "Platform/os/Platform.h"
#include "Platform/vrxfw/Device.h"
#include "tests/support/FakeShell.h"
#include "tests/support/FakeSystemInfo.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

// The access decision with 10,000 application rules: one decision for a request that a rule
// covers (the process's path lookup and the rule lookup included), and a burst of 1000 such
// requests answered through the stand-in driver by the running program's request channel.

namespace {

constexpr int kRuleCount = 10000;

/// The program started on the stand-in driver, in a folder of its own whose application rule
/// file holds 10,000 rules; the last one is this process's executable, allowed to connect.
class RunningProgram {
public:
    RunningProgram() {
        vrx::os::installHostPlatform();
        info_.executablePath = folder_.path().toStdString() + "/vornexfw";
        info_.processId = static_cast<std::uint32_t>(getpid());
        vrx::os::platform().systemInfo = &info_;
        vrx::os::platform().shell = &shell_;
        QFile::copy(VRX_PROTOCOL_NAMES, folder_.filePath("Protocol.dat"));
        QDir(folder_.path()).mkdir("rules");
        writeRules(QFile::symLinkTarget("/proc/self/exe").toStdString());
        dataModule_ = std::make_unique<TDM>();
        form_ = vrx::forms::Create<TfrmMain>(nullptr);
    }
    ~RunningProgram() {
        form_->Free();
        dataModule_.reset();
    }

    TfrmMain& form() { return *form_; }
    vrx::vrxfw::Driver& driver() { return standIn_.driver(); }

private:
    void writeRules(const std::string& ownPath) {
        TdxMemData rules;
        DefineAppRulesFields(rules);
        rules.Open();
        for (int i = 0; i < kRuleCount; ++i) {
            rules.Append();
            char path[64];
            std::snprintf(path, sizeof path, "/opt/Vendor%05d/bin/Program%05d", i, i);
            rules.FieldByName("cAppModuleName")
                ->SetAsString(i == kRuleCount - 1 ? ownPath : std::string(path));
            rules.FieldByName("nActionWhenAccessNet")->SetAsInteger(0);
            rules.FieldByName("bTCPConnect")->SetAsBoolean(true);
            rules.FieldByName("nTCPConnectPortType")->SetAsInteger(0);
            rules.FieldByName("nActionWhenNotMatch")->SetAsInteger(1);
            rules.Post();
        }
        TRC6 cipher(kFileKeyText);
        TMemoryStream work;
        RuleFile::Write(rules, folder_.filePath("rules/AppRule.dat").toStdString(), cipher, work);
    }

    QTemporaryDir folder_;
    vrx::test::FakeSystemInfo info_;
    vrx::os::FakeShell shell_;
    vrx::vrxfw::StandIn standIn_;
    std::unique_ptr<TDM> dataModule_;
    TfrmMain* form_ = nullptr;
};

RunningProgram* running = nullptr; // made by main, inside the application object's life

RunningProgram& program() {
    return *running;
}

void BM_DecisionCoveredByARule(benchmark::State& state) {
    TfrmMain& form = program().form();
    TAccessRequest request;
    request.Operation = opTcpConnect;
    request.ProcessId = static_cast<std::uint32_t>(getpid());
    request.Port = 443;
    for (auto _ : state) {
        const TAccessOutcome outcome = form.DecideRequest(request);
        benchmark::DoNotOptimize(outcome);
        if (outcome != TAccessOutcome::Allow) {
            state.SkipWithError("the rule did not allow the request");
            break;
        }
    }
}

void BM_BurstOf1000ThroughTheDriver(benchmark::State& state) {
    vrx::vrxfw::Driver& driver = program().driver();
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    std::vector<std::shared_ptr<vrx::vrxfw::HeldRequest>> held;
    for (auto _ : state) {
        held.clear();
        for (int i = 0; i < 1000; ++i)
            held.push_back(
                driver.submitRequest(vrx::vrxfw::Operation::TcpConnect, pid, 0x0100007F, 443));
        for (const auto& request : held)
            if (request->waitForVerdict(std::chrono::seconds(10)) != vrx::vrxfw::kStatusSuccess) {
                state.SkipWithError("a request was not allowed in time");
                return;
            }
    }
}

} // namespace

BENCHMARK(BM_DecisionCoveredByARule)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_BurstOf1000ThroughTheDriver)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The program's windows need an application object; the benchmark runs on the offscreen
// platform.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    running = new RunningProgram;
    benchmark::RunSpecifiedBenchmarks();
    delete running;
    benchmark::Shutdown();
    return 0;
}
