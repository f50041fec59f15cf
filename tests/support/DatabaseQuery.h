#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>

namespace kw::test {

// The first column of the first row sql returns from the database file,
// read with a connection of its own; empty when there is none.
inline std::string queryText(const std::filesystem::path& database, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    std::string text;
    if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr)
        text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return text;
}

}  // namespace kw::test
