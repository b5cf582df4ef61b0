#pragma once

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
#include "tests/support/FakeWindowMessages.h"
#include "tests/support/ModalHooks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

/// The host platform, with the program in a folder of its own (its port names and an empty
/// application rule file), in-memory windows and a stand-in driver; the data module over that
/// folder.
class MainFormFixture : public ::testing::Test {
protected:
    QTemporaryDir folder;
    vrx::os::Services saved = vrx::os::platform();
    vrx::test::FakeSystemInfo info;
    vrx::os::FakeWindowMessages windows;
    vrx::os::FakeShell shell;
    vrx::vrxfw::StandIn standIn;
    vrx::test::ScopedMessageBoxHook boxes;
    std::unique_ptr<TDM> dataModule;

    MainFormFixture() {
        vrx::os::installHostPlatform();
        info.executablePath = folder.path().toStdString() + "/vornexfw";
        vrx::os::platform().systemInfo = &info;
        vrx::os::platform().windowMessages = &windows;
        vrx::os::platform().shell = &shell;
        QFile::copy(VRX_PROTOCOL_NAMES, folder.filePath("Protocol.dat"));
        QDir(folder.path()).mkdir("rules");
        TdxMemData empty;
        DefineAppRulesFields(empty);
        empty.Open();
        TRC6 cipher(kFileKeyText);
        TMemoryStream work;
        RuleFile::Write(empty, folder.filePath("rules/AppRule.dat").toStdString(), cipher, work);
        dataModule = std::make_unique<TDM>();
    }
    ~MainFormFixture() override {
        dataModule.reset();
        vrx::forms::Application->ClearTerminated();
        vrx::os::platform() = saved;
    }

    std::size_t callsOf(std::uint32_t code) {
        std::size_t count = 0;
        for (const auto& call : standIn.transcript().calls())
            count += call.code == code;
        return count;
    }
};
