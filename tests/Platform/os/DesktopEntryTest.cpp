#include "Platform/os/DesktopEntry.h"

#include <gtest/gtest.h>

using namespace vrx::os;

TEST(DesktopEntry, ExecQuotesThePathByTheFormatsRules) {
    struct Case {
        std::string program;
        std::string exec;
    };
    const Case cases[] = {
        {"/opt/vornex/VornexFirewall", R"("/opt/vornex/VornexFirewall")"},
        {"/opt/VORNEX Firewall/vornex", R"("/opt/VORNEX Firewall/vornex")"},
        {R"(/a\b)", R"("/a\\\\b")"}, // quoting escape, then string escape: four backslashes
        {R"(/a"b$c`d)", R"("/a\\"b\\$c\\`d")"},
        {"/100%/f", R"("/100%%/f")"},
        {"/a\nb", R"("/a\nb")"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(execOfProgram(c.program), c.exec) << c.program;
}

TEST(DesktopEntry, AProgramReadsBackAsWritten) {
    for (const std::string program :
         {"/opt/vornex/VornexFirewall", "/home/用户/防火墙/VornexFirewall", "/a b/ c ",
          R"(/odd\path"with$all`%of\\them)", "/tab\tand\nline", " /leading blank"}) {
        const auto entry = parseDesktopEntry("[Desktop Entry]\nExec=" + execOfProgram(program) +
                                             "\nName=" + escapeDesktopString(program) + "\n");
        ASSERT_TRUE(entry.contains("Exec")) << program;
        EXPECT_EQ(programOfExec(entry.at("Exec")), program);
        EXPECT_EQ(entry.at("Name"), program);
    }
}

TEST(DesktopEntry, ReadsOnlyTheMainGroupAndItsFirstUnlocalisedKeys) {
    const auto entry = parseDesktopEntry("# comment\n"
                                         "Name=outside\n"
                                         "[Desktop Entry]\n"
                                         "Name = VORNEX \n"
                                         "Name[zh_CN]=防火墙\n"
                                         "Name=again\n"
                                         "Hidden=true\r\n"
                                         "[Desktop Action x]\n"
                                         "Exec=other\n");
    EXPECT_EQ(entry, (std::map<std::string, std::string>{{"Name", "VORNEX"}, {"Hidden", "true"}}));

    // Translations when asked for: the application entries show the user's language.
    const auto translated = parseDesktopEntry("[Desktop Entry]\nName=VORNEX\nName[zh_CN]=防火墙\n",
                                              LocalisedKeys::Keep);
    EXPECT_EQ(translated,
              (std::map<std::string, std::string>{{"Name", "VORNEX"}, {"Name[zh_CN]", "防火墙"}}));
}

TEST(DesktopEntry, ACommandLineOfSeveralArgumentsStaysAsItIs) {
    EXPECT_EQ(programOfExec("/usr/bin/prog --flag"), "/usr/bin/prog --flag");
    EXPECT_EQ(programOfExec(R"("/unterminated)"), R"("/unterminated)");
    EXPECT_EQ(programOfExec("/usr/bin/prog"), "/usr/bin/prog");
}
