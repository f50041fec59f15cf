#include "core/store/Statement.h"

#include "core/base/Error.h"

#include <sqlite3.h>

namespace kw {
namespace {

// An empty view may have no data pointer, and SQLite binds NULL for a null
// pointer; empty text must stay empty text so that DISTINCT sees one value.
const char* dataOf(std::string_view value) { return value.data() != nullptr ? value.data() : ""; }

}  // namespace

Statement::Statement(sqlite3* db, std::string_view text) : db_(db) {
    if (sqlite3_prepare_v3(db, text.data(), static_cast<int>(text.size()), SQLITE_PREPARE_PERSISTENT, &stmt_,
                           nullptr) != SQLITE_OK)
        fail();
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

std::string_view Statement::text() const { return sqlite3_sql(stmt_); }

int Statement::parameterIndex(const char* name) const {
    const int index = sqlite3_bind_parameter_index(stmt_, name);
    if (index == 0) throw Error(std::string("no such parameter ") + name + " in: " + std::string(text()));
    return index;
}

void Statement::bindText(const char* name, std::string_view value) {
    if (sqlite3_bind_text64(stmt_, parameterIndex(name), dataOf(value), value.size(), SQLITE_STATIC,
                            SQLITE_UTF8) != SQLITE_OK)
        fail();
}

void Statement::bindBlob(const char* name, std::string_view value) {
    if (sqlite3_bind_blob64(stmt_, parameterIndex(name), dataOf(value), value.size(), SQLITE_STATIC) !=
        SQLITE_OK)
        fail();
}

void Statement::bindInt(const char* name, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, parameterIndex(name), value) != SQLITE_OK) fail();
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail();
}

void Statement::execute() {
    while (step()) {
    }
}

std::string Statement::bytes(int column) const {
    std::string value;
    readBytes(column, value);
    return value;
}

void Statement::readBytes(int column, std::string& into) const {
    // The pointer must be fetched before the size: fetching converts the value.
    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column));
    if (data == nullptr)
        into.clear();
    else
        into.assign(data, size);
}

int Statement::integer(int column) const { return sqlite3_column_int(stmt_, column); }

std::int64_t Statement::integer64(int column) const { return sqlite3_column_int64(stmt_, column); }

bool Statement::isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

bool Statement::isWholeNumber(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_INTEGER;
}

void Statement::reset() noexcept {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void Statement::fail() const { throw Error(sqlite3_errmsg(db_)); }

}  // namespace kw
