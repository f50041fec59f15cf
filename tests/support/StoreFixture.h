#pragma once

#include "core/base/ScrambleText.h"
#include "core/store/ChannelStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <string>

namespace kw::test {

// A fresh program directory with a channel database holding a settings row.
class StoreFixture : public ::testing::Test {
protected:
    static constexpr std::string_view kKey = "0123456789abcdef";

    void TearDown() override { store_.reset(); }

    // A new database with lock mode and password (scrambled under kKey).
    ChannelStore& makeStore(int lockMode = 0, std::string_view password = {}) {
        store_.reset();
        std::filesystem::remove(programDir_ / ChannelStore::kFileName);
        SettingsRow row;
        row.name = "设置";
        row.locked = lockMode;
        if (!password.empty()) row.scrambledType = scrambleText(password, kKey);
        store_ = ChannelStore::create(programDir_ / ChannelStore::kFileName, row);
        return *store_;
    }

    void addChannel(std::string_view name, std::string_view url, std::string_view link = {},
                    std::string_view type = {}, bool locked = false) {
        ChannelRecord record;
        record.class0 = "B电视台";
        record.name = name;
        record.scrambledUrl = scrambleText(url, name);
        record.link = link;
        record.type = type;
        store_->insertChannel(record, 2, "User");
        if (locked) store_->setLocked(name, 1);
    }

    // Writes the database behind the store's back, as a hand-made or damaged file would be.
    void execSql(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((programDir_ / ChannelStore::kFileName).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    // Runs sql with the name index out of the schema, so its rows are in the
    // table but missing from the index: what writes into a log that another
    // program deleted leave behind.
    void writeBehindNameIndex(const std::string& sql) {
        execSql(
            "pragma writable_schema=on; create table SavedIndex as select * from sqlite_master "
            "where name = 'ChannelInfo_Name'; delete from sqlite_master where name = 'ChannelInfo_Name'");
        execSql(sql);
        execSql(
            "pragma writable_schema=on; insert into sqlite_master select * from SavedIndex; "
            "drop table SavedIndex");
    }

    TempDir dir_;
    const std::filesystem::path programDir_ = dir_.path();
    std::unique_ptr<ChannelStore> store_;
};

}  // namespace kw::test
