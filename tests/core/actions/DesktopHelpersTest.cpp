#include "core/actions/DesktopHelpers.h"

#include "core/actions/ShellOpen.h"
#include "core/settings/SettingsFile.h"
#include "support/FakeDesktop.h"
#include "support/FakeUi.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::tm makeTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

TEST(DateTooltipText, PadsEveryFieldAndPutsTheTimeAfterAnEmptyLine) {
    EXPECT_EQ(kw::dateTooltipText(makeTime(2003, 8, 15, 9, 5, 3)),
              "现在是: 2003年08月15日\r\n\r\n          09时05分03秒");
    EXPECT_EQ(kw::dateTooltipText(makeTime(2024, 1, 1, 0, 0, 0)),
              "现在是: 2024年01月01日\r\n\r\n          00时00分00秒");
    EXPECT_EQ(kw::dateTooltipText(makeTime(999, 12, 31, 23, 59, 59)),
              "现在是: 0999年12月31日\r\n\r\n          23时59分59秒");
}

struct AddressCase {
    std::string text;
    std::string query;  // what follows "q="
};

class SearchAddress : public testing::TestWithParam<AddressCase> {};

TEST_P(SearchAddress, KeepsThePathAndEncodesTheTextAsUtf8) {
    EXPECT_EQ(kw::searchAddress(GetParam().text),
              "http://www.google.com/search?hl=zh-CN&q=" + GetParam().query);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SearchAddress,
    testing::Values(AddressCase{"radio", "radio"}, AddressCase{"jazz radio", "jazz%20radio"},
                    AddressCase{"rock&roll", "rock%26roll"}, AddressCase{"C#", "C%23"},
                    AddressCase{"a+b=c?/%", "a%2Bb%3Dc%3F%2F%25"}, AddressCase{"新闻", "%E6%96%B0%E9%97%BB"},
                    AddressCase{
                        "Google搜索>请在此单击并输入关键词",
                        "Google%E6%90%9C%E7%B4%A2%3E%E8%AF%B7%E5%9C%A8%E6%AD%A4%E5%8D%95%E5%87%BB%E5%B9%B6%"
                        "E8%BE%93%E5%85%A5%E5%85%B3%E9%94%AE%E8%AF%8D"}));

TEST(EmailAddress, EncodesRecipientAndSubjectButKeepsTheAt) {
    EXPECT_EQ(kw::emailAddress("a.b@kw.example"),
              "mailto:a.b@kw.example?subject=%E9%B9%B0%E6%B3%A2%E8%A7%86%E5%90%AC");
    EXPECT_EQ(kw::emailAddress(""), "mailto:?subject=%E9%B9%B0%E6%B3%A2%E8%A7%86%E5%90%AC");
    EXPECT_EQ(kw::emailAddress("x@y?cc=z&bcc=w").substr(0, 30), "mailto:x@y%3Fcc%3Dz%26bcc%3Dw?");
}

// The helpers on a fake desktop, with a settings file in a fresh program folder.
class DesktopHelpersTest : public testing::Test {
protected:
    kw::test::TempDir dir;
    kw::test::FakeUi ui;
    kw::test::FakeDesktop desktop;
    kw::SettingsFile settings{dir.path()};
    kw::ShellOpener shell{desktop, ui, "http://home.example/"};
    kw::DesktopHelpers helpers{dir.path(), settings, shell, desktop, ui};

    std::vector<std::string> programsAsked() const {
        std::vector<std::string> names;
        for (const auto& started : desktop.programs) names.push_back(started.program);
        return names;
    }
    void writeHelpPage() {
        std::filesystem::create_directories(dir.path() / "Help");
        std::ofstream(dir.path() / "Help" / "help.htm") << "<html></html>";
    }
};

TEST_F(DesktopHelpersTest, SearchOpensTheAddressAndAnEmptyBoxStartsNothing) {
    helpers.spGoogleClick("");
    EXPECT_TRUE(desktop.documents.empty());
    helpers.spGoogleClick("a b");
    ASSERT_EQ(desktop.documents.size(), 1u);
    EXPECT_EQ(desktop.documents[0].target, "http://www.google.com/search?hl=zh-CN&q=a%20b");
}

TEST_F(DesktopHelpersTest, VolumeControlTriesTheListInOrderAndNamesAPackageWhenNoneIsInstalled) {
    desktop.installedPrograms = {"pavucontrol-qt"};
    helpers.spVolumClick();
    EXPECT_EQ(programsAsked(), (std::vector<std::string>{"pavucontrol", "pavucontrol-qt"}));
    EXPECT_TRUE(ui.messages.empty());

    desktop.installedPrograms.clear();
    desktop.programs.clear();
    helpers.spVolumClick();
    EXPECT_EQ(desktop.programs.size(), kw::DesktopHelpers::volumeControls().size());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("pavucontrol"), std::string::npos) << ui.messages[0].text;
}

TEST_F(DesktopHelpersTest, RecorderSettingIsReadAtEachUse) {
    // stored value (nullopt: no key) -> the first program asked for
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases{
        {std::nullopt, "gnome-sound-recorder"},
        {"", "gnome-sound-recorder"},
        {"SNDREC32.EXE", "gnome-sound-recorder"},
        {"/opt/rec/bin/recorder", "/opt/rec/bin/recorder"},
        {"audacity", "audacity"}};
    for (const auto& [stored, first] : cases) {
        if (stored) settings.setSndrec(*stored);
        desktop.programs.clear();
        helpers.spSoundRecordClick();
        ASSERT_FALSE(desktop.programs.empty());
        EXPECT_EQ(desktop.programs[0].program, first) << stored.value_or("(missing)");
    }
}

TEST_F(DesktopHelpersTest, RecorderThatFailsLateFallsToTheNextAndThenSaysWhatIsMissing) {
    desktop.installedPrograms = {"gnome-sound-recorder"};
    desktop.programsFailLate = true;
    helpers.spSoundRecordClick();
    EXPECT_TRUE(ui.messages.empty());
    desktop.finishLaunches();
    EXPECT_EQ(programsAsked(), (std::vector<std::string>{"gnome-sound-recorder", "audacity"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("audacity"), std::string::npos);

    settings.setSndrec("/nowhere/rec");
    helpers.spSoundRecordClick();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "无法启动录音机程序：/nowhere/rec");
}

TEST_F(DesktopHelpersTest, HelpFallsBackToABrowserAndThenToItsMessage) {
    helpers.actHelpExecute();
    EXPECT_EQ(ui.messageTexts(), std::vector<std::string>{"很抱歉，找不到帮助文件。"})
        << "no page, nothing started";
    EXPECT_TRUE(desktop.documents.empty());

    writeHelpPage();
    ui.messages.clear();
    helpers.actHelpExecute();
    ASSERT_EQ(desktop.documents.size(), 1u);
    EXPECT_EQ(desktop.documents[0].target, helpers.helpPage().string());
    EXPECT_TRUE(desktop.programs.empty()) << "the desktop opened it";

    desktop.documentsOpen = false;
    desktop.installedPrograms = {"sensible-browser"};
    helpers.actHelpExecute();
    ASSERT_EQ(desktop.programs.size(), 2u);
    EXPECT_EQ(desktop.programs[1].program, "sensible-browser");
    EXPECT_EQ(desktop.programs[1].arguments, std::vector<std::string>{helpers.helpPage().string()});
    EXPECT_TRUE(ui.messages.empty());

    // The page is there but nothing can show it: the message names what to install.
    desktop.installedPrograms.clear();
    helpers.actHelpExecute();
    EXPECT_EQ(ui.messageTexts(),
              std::vector<std::string>{"没有找到网页浏览器程序。\r\n\r\n请安装软件包 firefox-esr 或 "
                                       "sensible-utils 或 chromium 后再试。"});
}

TEST_F(DesktopHelpersTest, EmailAndHomePageGoThroughTheShell) {
    settings.setAuthorEmail("me@kw.example");
    helpers.actAuthorEmailExecute();
    settings.setAuthorHomePage("http://home.example/");
    helpers.actAuthorHomePageExecute();
    ASSERT_EQ(desktop.documents.size(), 2u);
    EXPECT_EQ(desktop.documents[0].target, kw::emailAddress("me@kw.example"));
    EXPECT_EQ(desktop.documents[1].target, "http://home.example/");
}

}  // namespace
