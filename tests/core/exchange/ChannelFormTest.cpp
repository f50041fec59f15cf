#include "core/base/AddressRules.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/browser/ChannelBrowser.h"
#include "core/session/OptionsVisit.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/FakeProbe.h"
#include "support/FakeUi.h"
#include "support/FakeWebFetch.h"
#include "support/LongAddress.h"
#include "support/SessionProbe.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

using Focus = ChannelForm::Focus;
using Outcome = ChannelForm::Outcome;

// A visit of the add or edit page, used through its form.
struct OpenForm {
    std::unique_ptr<OptionsVisit> visit;
    ChannelForm* operator->() const { return visit->form(); }
};

class ChannelFormTest : public test::StoreFixture {
protected:
    void SetUp() override {
        makeStore();
        addChannel("中央一台", "mms://one/");
        addChannel("中央二台", "mms://two/");
        store_.reset();
        session_ = std::make_unique<Session>(programDir_, ui_, desktop_, probe_, web_, servers_);
        session_->open();
    }

    OpenForm open(OptionsPage page, ChannelFormFields& fields, std::string_view name = {}) {
        OpenForm form{session_->visitOptions(page)};
        EXPECT_TRUE(form.visit);
        form->enterPage(fields, name);
        return form;
    }

    // Closes the window; returns whether the tree was rebuilt.
    bool close(OpenForm& form) {
        const auto before = test::SessionProbe::browser(*session_).tree().generation();
        form.visit->end();
        return test::SessionProbe::browser(*session_).tree().generation() != before;
    }

    std::string plainUrl(std::string_view name) {
        const ChannelAddress address = test::SessionProbe::store(*session_).readChannelAddress(name);
        return unscrambleText(address.scrambledUrl, address.name);
    }

    test::FakeUi ui_;
    test::FakeDesktop desktop_;
    test::FakeProbe probe_;
    test::FakeWebFetch web_;
    test::FakeDirectoryServers servers_;
    std::unique_ptr<Session> session_;
};

ChannelFormFields typed(std::string name, std::string url = "mms://x/") {
    ChannelFormFields fields;
    fields.class0 = " B电视台 ";
    fields.class1 = "新闻";
    fields.type = "Windows Media";
    fields.name = std::move(name);
    fields.url = std::move(url);
    fields.memo = "第一行\n第二行";
    return fields;
}

TEST_F(ChannelFormTest, AddingKeepsTheCategoriesClearsTheRestAndRebuildsOnceAtClose) {
    ChannelFormFields fields;
    auto form = open(OptionsPage::Add, fields);
    EXPECT_EQ(form->closeCaption(), form_texts::kCancel);
    for (const char* name : {"甲", "乙", "7"}) {
        ChannelFormFields next = typed(name, "7");
        Focus focus = Focus::None;
        ASSERT_EQ(form->confirm(next, focus), Outcome::Stay);
        EXPECT_EQ(next.class0, "B电视台");
        EXPECT_EQ(next.class1, "新闻");
        EXPECT_TRUE(next.name.empty() && next.url.empty() && next.memo.empty() && next.type.empty());
        EXPECT_EQ(plainUrl(name), "7");  // in add mode "7" is an ordinary address
    }
    EXPECT_EQ(test::SessionProbe::store(*session_).readChannelDetails("乙").memo, "第一行\n第二行");
    EXPECT_EQ(form->closeCaption(), form_texts::kClose);
    form->closeClicked();
    EXPECT_TRUE(close(form));
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ChannelFormTest, ClosingAtOnceRebuildsNothingAndASecondOpeningIsRefusedMeanwhile) {
    ChannelFormFields fields;
    auto form = open(OptionsPage::Add, fields);
    EXPECT_EQ(session_->visitOptions(OptionsPage::Settings), nullptr);
    EXPECT_EQ(ui_.messageTexts(), std::vector<std::string>{std::string(OptionsVisit::kOpenRefusal)});
    form->closeClicked();
    EXPECT_FALSE(close(form));
    EXPECT_NE(session_->visitOptions(OptionsPage::Settings), nullptr);
}

TEST_F(ChannelFormTest, SavingToATextFileChecksTheDatabaseAndWritesOneLineDescriptions) {
    ChannelFormFields fields;
    auto form = open(OptionsPage::Add, fields);
    ui_.saveFileAnswers.push_back(std::nullopt);
    form->saveToFileClicked(true);
    EXPECT_FALSE(form->saveToFileTicked());
    EXPECT_EQ(form->confirmMode(), ConfirmMode::Add);

    const auto file = programDir_ / "out.txt";
    test::writeBytes(file, "old");
    ui_.saveFileAnswers.push_back(file.string());
    form->saveToFileClicked(true);
    EXPECT_EQ(form->confirmCaption(), form_texts::kSave);
    Focus focus = Focus::None;
    ChannelFormFields taken = typed("中央一台");
    EXPECT_EQ(form->confirm(taken, focus), Outcome::Refused);
    EXPECT_EQ(focus, Focus::Name);
    EXPECT_EQ(form->confirmMode(), ConfirmMode::FileChosen);
    for (int i = 0; i < 2; ++i) {
        ChannelFormFields next = typed("新台");
        ASSERT_EQ(form->confirm(next, focus), Outcome::Stay);
    }
    EXPECT_EQ(form->confirmMode(), ConfirmMode::FileOpen);
    EXPECT_FALSE(form->saveToFileEnabled());
    EXPECT_FALSE(close(form));
    const std::string record =
        "B电视台\r\n新闻\r\n\r\n\r\n新台\r\nmms://x/\r\n\r\n第一行第二行\r\nWindows "
        "Media\r\n\r\nInsertChannel\r\n";
    EXPECT_EQ(test::readBytes(file), text::toGbk(record + record));
    EXPECT_EQ(test::SessionProbe::store(*session_).countChannelsByName("新台"), 0);
}

TEST_F(ChannelFormTest, AFileThatCannotBeCreatedKeepsTheModeForAnotherTry) {
    ChannelFormFields fields;
    auto form = open(OptionsPage::Add, fields);
    const std::string file = (programDir_ / "missing" / "out.txt").string();
    ui_.saveFileAnswers.push_back(file);
    form->saveToFileClicked(true);
    Focus focus = Focus::None;
    ChannelFormFields next = typed("新台");
    EXPECT_EQ(form->confirm(next, focus), Outcome::Refused);
    EXPECT_EQ(ui_.messageTexts().back(), "创建 \" " + file + " \" 文件出错，请重试。");
    EXPECT_EQ(form->confirmMode(), ConfirmMode::FileChosen);
    EXPECT_EQ(next.name, "新台");
}

TEST_F(ChannelFormTest, AChosenTextFileOfALongPathIsWrittenUnderItsWholeName) {
    ChannelFormFields fields;
    auto form = open(OptionsPage::Add, fields);
    const std::filesystem::path folder = programDir_ / std::string(120, 'd') / std::string(120, 'e');
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / (std::string(40, 'f') + ".txt");
    ASSERT_GT(file.string().size(), 255U);
    ui_.saveFileAnswers.push_back(file.string());
    form->saveToFileClicked(true);
    EXPECT_EQ(form->textFileName(), file.string());
    Focus focus = Focus::None;
    ChannelFormFields next = typed("新台");
    ASSERT_EQ(form->confirm(next, focus), Outcome::Stay);
    EXPECT_FALSE(close(form));
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(ChannelFormTest, RequiredFieldsAreClassNameAndAddress) {
    ChannelFormFields fields;
    auto form = open(OptionsPage::Add, fields);
    for (ChannelFormFields missing : {typed(" "), typed("名", " \t"), [] {
                                          auto f = typed("名");
                                          f.class0 = "  ";
                                          return f;
                                      }()}) {
        Focus focus = Focus::None;
        EXPECT_EQ(form->confirm(missing, focus), Outcome::Refused);
        EXPECT_EQ(focus, Focus::Url);
        EXPECT_EQ(ui_.messageTexts().back(), form_texts::kRequired);
    }
}

struct EditCase {
    const char* what;
    std::string name;
    std::string url;
    std::string class0;
    Outcome outcome;
    std::string storedName;  // where the channel is afterwards
    std::string plainUrl;
    bool rebuilt;
};

class ChannelEditTest : public ChannelFormTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(ChannelEditTest, AppliesTheEditRules) {
    const EditCase& c = GetParam();
    ChannelFormFields fields;
    auto form = open(OptionsPage::Edit, fields, "中央一台");
    EXPECT_EQ(fields.url, "7");
    EXPECT_EQ(fields.class0, "B电视台");
    fields.name = c.name;
    fields.url = c.url;
    fields.class0 = c.class0;
    Focus focus = Focus::None;
    EXPECT_EQ(form->confirm(fields, focus), c.outcome);
    if (c.outcome == Outcome::Refused) {
        EXPECT_EQ(fields.name, "中央一台");
        EXPECT_EQ(ui_.messageTexts().back(), form_texts::kDuplicate);
        form->closeClicked();
    }
    EXPECT_EQ(close(form), c.rebuilt);
    EXPECT_EQ(plainUrl(c.storedName), c.plainUrl);
    EXPECT_EQ(test::SessionProbe::store(*session_).countChannelsByName(c.storedName), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChannelEditTest,
                         ::testing::Values(EditCase{"keep_all", "中央一台", "7", "B电视台", Outcome::Close,
                                                    "中央一台", "mms://one/", false},
                                           EditCase{"new_address", "中央一台", "mms://new/", "B电视台",
                                                    Outcome::Close, "中央一台", "mms://new/", false},
                                           EditCase{"new_category", "中央一台", "7", "C广播电台",
                                                    Outcome::Close, "中央一台", "mms://one/", true},
                                           EditCase{"rename", "第一台", "7", "B电视台", Outcome::Close,
                                                    "第一台", "mms://one/", true},
                                           EditCase{"taken", "中央二台", "7", "B电视台", Outcome::Refused,
                                                    "中央一台", "mms://one/", false}),
                         [](const auto& param) { return std::string(param.param.what); });

// Add and edit refuse an address over the limit rather than cut it, and
// store the longest one whole.
TEST_F(ChannelFormTest, TheLongestAddressIsStoredWholeALongerOneRefused) {
    const std::string longest = test::addressOfChars(address::kMaxAddressChars);
    for (const OptionsPage page : {OptionsPage::Add, OptionsPage::Edit}) {
        ChannelFormFields fields;
        auto form = open(page, fields, page == OptionsPage::Edit ? "中央一台" : "");
        if (page == OptionsPage::Add) fields = typed("长台");
        fields.url = longest + "a";
        Focus focus = Focus::None;
        EXPECT_EQ(form->confirm(fields, focus), Outcome::Refused);
        EXPECT_EQ(focus, Focus::Url);
        EXPECT_EQ(ui_.messageTexts().back(), address::overlongMessage());
        fields.url = " " + longest + " ";
        EXPECT_NE(form->confirm(fields, focus), Outcome::Refused);
        EXPECT_EQ(plainUrl(fields.name.empty() ? "长台" : fields.name), longest);
        form->closeClicked();
        close(form);
    }
}

TEST_F(ChannelFormTest, RenamingByLetterCaseOnlyIsADuplicate) {
    test::SessionProbe::store(*session_).deleteChannel("中央二台");
    ChannelFormFields fields;
    auto form = open(OptionsPage::Add, fields);
    ChannelFormFields latin = typed("News");
    Focus focus = Focus::None;
    ASSERT_EQ(form->confirm(latin, focus), Outcome::Stay);
    form->closeClicked();
    close(form);
    auto edit = open(OptionsPage::Edit, fields, "News");
    fields.name = "NEWS";
    EXPECT_EQ(edit->confirm(fields, focus), Outcome::Refused);
}

TEST_F(ChannelFormTest, ListsFollowTheMainCategoryEvenWithAQuoteInIt) {
    ChannelFormFields fields;
    auto form = open(OptionsPage::Add, fields);
    ChannelFormFields quoted = typed("台");
    quoted.class0 = "E'专题";
    quoted.class1 = " News ";
    Focus focus = Focus::None;
    ASSERT_EQ(form->confirm(quoted, focus), Outcome::Stay);
    quoted = typed("台2");
    quoted.class0 = "E'专题";
    quoted.class1 = "news";
    ASSERT_EQ(form->confirm(quoted, focus), Outcome::Stay);
    EXPECT_EQ(form->classList(1, "E'专题"), std::vector<std::string>{"News"});
    EXPECT_EQ(form->classList(1, "  "), std::nullopt);
    EXPECT_EQ(form->classList(2, "无此类"), std::nullopt);
    EXPECT_EQ(form->mainCategoryList(), (std::vector<std::string>{"B电视台", "E'专题"}));
}

}  // namespace
}  // namespace kw
