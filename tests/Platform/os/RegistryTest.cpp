#include "Platform/os/Registry.h"

#include "tests/support/FakeRegistry.h"
#include "tests/support/ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vrx::os;

namespace {

constexpr char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kName[] = "VORNEX Personal FireWall";

// The host's Run key is the autostart folder of a configuration folder of the test's own.
class HostRegistryTest : public ::testing::Test {
protected:
    Handle openRun(std::uint32_t access = kKeyAllAccess, Handle root = kHkeyLocalMachine) {
        Handle key = kInvalidHandle;
        EXPECT_EQ(registry.openKey(root, kRun, access, key), 0);
        return key;
    }
    QString autostart() const { return config.path() + "/autostart"; }
    QStringList entries() const {
        return QDir(autostart()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QByteArray entryText() const {
        const QStringList files = entries();
        if (files.size() != 1)
            return {};
        QFile file(autostart() + "/" + files[0]);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir config;
    vrx::test::ScopedEnvironment configHome{"XDG_CONFIG_HOME", config.path().toUtf8()};
    Registry& registry = hostRegistry();
};

} // namespace

TEST_F(HostRegistryTest, OnlyTheRunKeyExists) {
    Handle key = kInvalidHandle;
    for (const Handle root : {kHkeyLocalMachine, kHkeyCurrentUser}) {
        for (const char* path : {kRun, "software\\microsoft\\windows\\currentversion\\run"}) {
            ASSERT_EQ(registry.openKey(root, path, kKeyRead, key), 0) << path;
            EXPECT_NE(key, kInvalidHandle);
            EXPECT_EQ(registry.closeKey(key), 0);
            EXPECT_EQ(registry.closeKey(key), 6);
        }
    }
    EXPECT_EQ(registry.openKey(kHkeyLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Tcpip",
                               kKeyRead, key),
              2);
    EXPECT_EQ(key, kInvalidHandle);
    EXPECT_EQ(registry.openKey(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                               kKeyRead, key),
              2);
    EXPECT_EQ(registry.openKey(0x80000000u, kRun, kKeyRead, key), 2); // classes root
    EXPECT_EQ(registry.openKey(1234, kRun, kKeyRead, key), 6);
    // Opening never creates anything.
    EXPECT_FALSE(QFileInfo::exists(autostart()));
}

TEST_F(HostRegistryTest, ARunValueIsAnAutostartEntry) {
    const Handle key = openRun();
    const std::string program = "/opt/VORNEX Firewall/VornexFirewall";
    ASSERT_EQ(registry.setValue(key, kName, RegistryValue{kRegSz, program}), 0);

    ASSERT_EQ(entries().size(), 1);
    const QByteArray text = entryText();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n")) << text.toStdString();
    for (const char* line : {"\nType=Application\n", "\nName=VORNEX Personal FireWall\n",
                             "\nExec=\"/opt/VORNEX Firewall/VornexFirewall\"\n",
                             "\nX-Vornex-RunValue=VORNEX Personal FireWall\n"})
        EXPECT_TRUE(text.contains(line)) << line << " in " << text.toStdString();

    RegistryValue value;
    ASSERT_EQ(registry.queryValue(key, "vornex personal firewall", value), 0); // any case
    EXPECT_EQ(value.type, kRegSz);
    EXPECT_EQ(value.data, program);

    // Setting again replaces the entry; deleting removes it, and a second delete finds none.
    ASSERT_EQ(registry.setValue(key, "VORNEX PERSONAL FIREWALL", RegistryValue{kRegSz, "/new"}), 0);
    EXPECT_EQ(entries().size(), 1);
    ASSERT_EQ(registry.queryValue(key, kName, value), 0);
    EXPECT_EQ(value.data, "/new");
    EXPECT_EQ(registry.deleteValue(key, kName), 0);
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(registry.deleteValue(key, kName), 2);
    EXPECT_EQ(registry.queryValue(key, kName, value), 2);
    registry.closeKey(key);
}

TEST_F(HostRegistryTest, AnyValueNameStaysInsideTheAutostartFolder) {
    const Handle key = openRun();
    const std::vector<std::string> names = {"../../escape", "a/b", "防火墙",
                                            ".hidden",      "",    std::string(400, 'n')};
    for (const std::string& name : names)
        ASSERT_EQ(registry.setValue(key, name, RegistryValue{kRegSz, "/p/" + name}), 0) << name;
    EXPECT_EQ(entries().size(), static_cast<qsizetype>(names.size()));
    EXPECT_EQ(QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"autostart"});
    for (const std::string& name : names) {
        RegistryValue value;
        ASSERT_EQ(registry.queryValue(key, name, value), 0) << name;
        EXPECT_EQ(value.data, "/p/" + name);
    }
    registry.closeKey(key);
}

TEST_F(HostRegistryTest, TheRightsAKeyWasOpenedWithAreHonoured) {
    const Handle reading = openRun(kKeyRead);
    EXPECT_EQ(registry.setValue(reading, kName, RegistryValue{kRegSz, "/p"}), 5);
    EXPECT_EQ(registry.deleteValue(reading, kName), 5);
    const Handle writing = openRun(kKeySetValue, kHkeyCurrentUser);
    RegistryValue value;
    EXPECT_EQ(registry.queryValue(writing, kName, value), 5);
    EXPECT_EQ(registry.setValue(writing, kName, RegistryValue{kRegDword, "\1\0\0\0"}), 87);
    EXPECT_TRUE(entries().isEmpty());
    registry.closeKey(reading);
    registry.closeKey(writing);
    EXPECT_EQ(registry.queryValue(reading, kName, value), 6);
}

TEST_F(HostRegistryTest, EntriesNotWrittenForTheValueOrRemovedByTheUserAreAbsent) {
    const Handle key = openRun();
    ASSERT_EQ(registry.setValue(key, kName, RegistryValue{kRegSz, "/p"}), 0);
    const QString path = autostart() + "/" + entries().at(0);
    const QByteArray original = entryText();

    // The desktop hides an autostart entry the user switched off.
    QFile hidden(path);
    ASSERT_TRUE(hidden.open(QIODevice::Append));
    hidden.write("Hidden=true\n");
    hidden.close();
    RegistryValue value;
    EXPECT_EQ(registry.queryValue(key, kName, value), 2);

    // A file of that name that another program wrote is neither read nor deleted.
    QFile foreign(path);
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write(QByteArray(original).replace("X-Vornex-RunValue", "X-Other"));
    foreign.close();
    EXPECT_EQ(registry.queryValue(key, kName, value), 2);
    EXPECT_EQ(registry.deleteValue(key, kName), 2);
    EXPECT_TRUE(QFile::exists(path));
    registry.closeKey(key);
}

TEST_F(HostRegistryTest, WithoutXdgConfigHomeTheEntryGoesBelowHome) {
    QTemporaryDir home;
    vrx::test::ScopedEnvironment homeVariable{"HOME", home.path().toUtf8()};
    vrx::test::ScopedEnvironment unset{"XDG_CONFIG_HOME", std::nullopt};
    const Handle key = openRun();
    ASSERT_EQ(registry.setValue(key, kName, RegistryValue{kRegSz, "/p"}), 0);
    EXPECT_EQ(QDir(home.path() + "/.config/autostart").entryList(QDir::Files).size(), 1);
    registry.closeKey(key);
}

TEST(FakeRegistry, HoldsWhatATestPutsAndRefusesWritingWhereTold) {
    FakeRegistry registry;
    const std::string tcpip = "SYSTEM\\CurrentControlSet\\Services\\Tcpip";
    registry.putValue(kHkeyLocalMachine, tcpip, "Tag", FakeRegistry::dword(4));
    registry.refuseWriting(kHkeyLocalMachine, tcpip);

    Handle key = kInvalidHandle;
    EXPECT_EQ(registry.openKey(kHkeyLocalMachine, tcpip, kKeyWrite, key), 5);
    ASSERT_EQ(registry.openKey(kHkeyLocalMachine, "system\\currentcontrolset\\services\\TCPIP",
                               kKeyRead, key),
              0);
    RegistryValue value;
    ASSERT_EQ(registry.queryValue(key, "tag", value), 0);
    EXPECT_EQ(value.type, kRegDword);
    EXPECT_EQ(value.data, std::string("\4\0\0\0", 4));
    EXPECT_EQ(registry.queryValue(key, "Start", value), 2);
    EXPECT_EQ(registry.setValue(key, "Start", FakeRegistry::dword(2)), 5); // opened to read
    EXPECT_EQ(registry.closeKey(key), 0);
    EXPECT_EQ(registry.openKeys(), 0u);

    EXPECT_EQ(registry.openKey(kHkeyLocalMachine, kRun, kKeyAllAccess, key), 2);
    registry.addKey(kHkeyLocalMachine, kRun);
    ASSERT_EQ(registry.openKey(kHkeyLocalMachine, kRun, kKeyAllAccess, key), 0);
    EXPECT_EQ(registry.setValue(key, kName, FakeRegistry::text("/p")), 0);
    EXPECT_EQ(registry.deleteValue(key, "vornex personal firewall"), 0);
    EXPECT_EQ(registry.deleteValue(key, kName), 2);
    EXPECT_FALSE(registry.value(kHkeyLocalMachine, kRun, kName));
    registry.closeKey(key);
}
