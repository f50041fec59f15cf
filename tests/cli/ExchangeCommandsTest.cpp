#include "core/base/AddressRules.h"
#include "core/base/Error.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/ChannelForm.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/store/ChannelStore.h"
#include "core/store/Compaction.h"
#include "core/store/DatabaseRepair.h"
#include "support/Kwave.h"
#include "support/LongAddress.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

#include <future>

namespace kw {
namespace {

using test::runKwave;

class ExchangeCommandsTest : public test::StoreFixture {
protected:
    void SetUp() override {
        makeStore(1);
        store_.reset();
    }
};

// A long import leaves room between its transactions: single writes from
// another program all go through while it runs.
TEST_F(ExchangeCommandsTest, SingleWritesFromAnotherProgramGoThroughDuringALongImport) {
    std::string records;
    for (int i = 0; i < 200000; ++i)
        records += encodeChannelRecord({"B电视台", "", "", "", "导入台" + std::to_string(i), "mms://x/", "",
                                        "", "", "", "InsertChannel"});
    test::writeBytes(programDir_ / "many.txt", records);
    makeStore(1);
    addChannel("写台", "mms://w/");

    std::future<test::KwaveRun> import = std::async(std::launch::async, [this] {
        return test::runKwave(programDir_, {"import", (programDir_ / "many.txt").string()});
    });
    int writes = 0;
    std::vector<std::string> failures;
    while (import.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        try {
            store_->setRating("写台", writes % 5 + 1);
            ++writes;
        } catch (const Error& error) {
            failures.emplace_back(error.what());
        }
    }
    EXPECT_EQ(import.get().status, 0);
    EXPECT_EQ(failures, std::vector<std::string>{});
    EXPECT_GT(writes, 10);
    EXPECT_EQ(store_->countChannelsInGroup(2), 200001);
}

TEST_F(ExchangeCommandsTest, CheckDbFindsTheDamageRepairMendsItAndPackRefusesItMeanwhile) {
    EXPECT_EQ(test::runKwave(programDir_, {"check-db"}).out, std::string(repair_texts::kSound) + "\n");
    writeBehindNameIndex("insert into ChannelInfo (ci_Name, ci_GroupID) values ('索引外', 2)");
    const test::KwaveRun damaged = test::runKwave(programDir_, {"check-db"});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_TRUE(damaged.out.starts_with(repair_texts::kDamaged)) << damaged.out;
    const test::KwaveRun pack = test::runKwave(programDir_, {"pack"});
    EXPECT_EQ(pack.status, 1);
    EXPECT_NE((pack.out + pack.err).find(compaction_texts::kDamaged), std::string::npos) << pack.out;
    const test::KwaveRun repair = test::runKwave(programDir_, {"check-db", "--repair"});
    EXPECT_EQ(repair.status, 0) << repair.out << repair.err;
    EXPECT_EQ(test::runKwave(programDir_, {"check-db"}).status, 0);
    EXPECT_EQ(test::runKwave(programDir_, {"pack"}).status, 0);
}

struct Step {
    std::vector<std::string> args;
    int status;
    std::string out;       // the start of standard output
    std::string err = "";  // the start of the error output
};

class KwaveScriptTest : public ExchangeCommandsTest,
                        public ::testing::WithParamInterface<std::vector<Step>> {};

TEST_P(KwaveScriptTest, RunsEachStepWithItsStatusAndOutput) {
    for (Step step : GetParam()) {
        for (std::string& arg : step.args) {
            if (arg.starts_with("@")) arg = (programDir_ / arg.substr(1)).string();
        }
        const test::KwaveRun run = runKwave(programDir_, step.args);
        EXPECT_EQ(run.status, step.status) << step.args[0] << ": " << run.out << run.err;
        EXPECT_TRUE(run.out.starts_with(step.out)) << step.args[0] << ": " << run.out;
        EXPECT_TRUE(run.err.starts_with(step.err)) << step.args[0] << ": " << run.err;
    }
}

const std::string kLongest = test::addressOfChars(address::kMaxAddressChars);
const std::string kAdd[] = {"add", "--class0", "B电视台", "--name", "新台", "--url", "mms://x/"};

INSTANTIATE_TEST_SUITE_P(
    Scripts, KwaveScriptTest,
    ::testing::Values(
        std::vector<Step>{
            {{std::begin(kAdd), std::end(kAdd)}, 0, ""},
            {{std::begin(kAdd), std::end(kAdd)}, 1, "", std::string(form_texts::kDuplicate)},
            {{"add", "--name", "无类"}, 1, "", std::string(form_texts::kRequired)},
            {{"add", "--class0", "B电视台", "--name", "脚本台", "--url", "javascript:alert(1)"},
             1,
             "",
             std::string(address::kRefusedScheme)},
            {{"export", "@out.txt"}, 0, std::string(exchange_texts::kExportDone)},
            {{"import", "@out.txt"}, 0, std::string(exchange_texts::kBatchDone)},
            {{"edit", "新台 (2)", "--name", "新台"}, 1, "", std::string(form_texts::kDuplicate)},
            {{"edit", "新台 (2)", "--name", "第三台", "--url", "mms://3/"}, 0, ""},
            {{"edit", "没有", "--name", "x"}, 1, ""},
            {{"import", "@missing.txt"}, 1, std::string(exchange_texts::kCannotOpenBefore)},
            {{"pack"}, 0, ""}},
        std::vector<Step>{{{"add", "--class0", "B电视台", "--name", "长台", "--url", kLongest + "a"},
                           1,
                           "",
                           address::overlongMessage()},
                          {{"add", "--class0", "B电视台", "--name", "长台", "--url", kLongest}, 0, ""},
                          {{"edit", "长台", "--url", kLongest + "a"}, 1, "", address::overlongMessage()},
                          {{"play", "长台", "--print"}, 0, kLongest + "\n"}},
        std::vector<Step>{{{"options", "set", "LockMode", "2"}, 1, ""},
                          {{"options", "set", "SNDREC", " rec.exe "}, 0, ""},
                          {{"options", "set", "IsHideOnDeactive", "1"}, 0, ""},
                          {{"options", "show"},
                           0,
                           "IsAutoPlayLastChannel 0\nIsHideOnDeactive 1\nSNDREC rec.exe\nLockMode 1"},
                          {{"options", "set", "Unknown", "1"}, 2, ""}}));

TEST_F(ExchangeCommandsTest, EditedAndImportedChannelsKeepPlayableAddresses) {
    ASSERT_EQ(
        runKwave(programDir_, {"add", "--class0", "B电视台", "--name", "新台", "--url", "mms://x/"}).status,
        0);
    ASSERT_EQ(runKwave(programDir_, {"edit", "新台", "--name", "旧台"}).status, 0);
    store_ = ChannelStore::open(programDir_ / ChannelStore::kFileName);
    const ChannelAddress address = store_->readChannelAddress("旧台");
    EXPECT_EQ(unscrambleText(address.scrambledUrl, address.name), "mms://x/");
}

TEST_F(ExchangeCommandsTest, EditClearsAFieldGivenEmptyAndKeepsTheOthers) {
    ASSERT_EQ(runKwave(programDir_, {"add", "--class0", "B电视台", "--name", "新台", "--url", "mms://x/",
                                     "--memo", "备注", "--speed", "300"})
                  .status,
              0);
    ASSERT_EQ(runKwave(programDir_, {"edit", "新台", "--memo", ""}).status, 0);
    store_ = ChannelStore::open(programDir_ / ChannelStore::kFileName);
    const ChannelDetails details = store_->readChannelDetails("新台");
    EXPECT_EQ(details.memo, "");
    EXPECT_EQ(details.speed, "300");
}

}  // namespace
}  // namespace kw
