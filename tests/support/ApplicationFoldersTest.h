#pragma once

#include "tests/support/ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace vrx::test {

/// A fixture that points the host's desktop lookups at folders of its own: a temporary
/// "home" data folder ($XDG_DATA_HOME, and $HOME), a "system" one ($XDG_DATA_DIRS), each with
/// applications/, and a "bin" folder first on $PATH; the C locale. Everything is put back after.
class ApplicationFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir().mkpath(dir_.path() + "/home/applications"));
        ASSERT_TRUE(QDir().mkpath(dir_.path() + "/system/applications"));
        ASSERT_TRUE(QDir().mkpath(dir_.path() + "/bin"));
        setEnvironment("HOME", path("home"));
        setEnvironment("XDG_DATA_HOME", path("home"));
        setEnvironment("XDG_DATA_DIRS", path("system"));
        setEnvironment("PATH", path("bin") + ":/usr/bin:/bin");
        setEnvironment("LC_ALL", "C");
    }

    void TearDown() override {
        // Later guards of the same variable restore what the earlier ones set: undo in reverse.
        while (!environment_.empty())
            environment_.pop_back();
    }

    void setEnvironment(const char* name, const std::string& value) {
        environment_.push_back(
            std::make_unique<ScopedEnvironment>(name, QByteArray::fromStdString(value)));
    }

    /// A path inside the fixture's folder.
    std::string path(const std::string& name) const {
        return dir_.path().toStdString() + "/" + name;
    }

    /// An executable script in bin/; its path.
    std::string script(const std::string& name) {
        const std::string file = path("bin/" + name);
        std::ofstream(file) << "#!/bin/sh\nexit 0\n";
        QFile::setPermissions(QString::fromStdString(file), QFile::ReadOwner | QFile::ExeOwner);
        return file;
    }

    /// An application entry in applications/ of "home" or "system", the body below its
    /// [Desktop Entry] line.
    void desktopEntry(const std::string& folder, const std::string& id, const std::string& body) {
        std::ofstream(path(folder + "/applications/" + id)) << "[Desktop Entry]\n" << body;
    }

    /// Writes bytes to a path inside the fixture's folder, making its folders.
    bool writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string file = path(name);
        QDir().mkpath(QString::fromStdString(file.substr(0, file.rfind('/'))));
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    }

    QTemporaryDir dir_;
    std::vector<std::unique_ptr<ScopedEnvironment>> environment_;
};

} // namespace vrx::test
