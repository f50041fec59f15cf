#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kw {

// One prepared SQLite statement with parameters bound by name (":sqlsName").
// Bound values are not copied: they must live until reset(). Failures throw
// kw::Error with SQLite's own message.
class Statement {
public:
    Statement(sqlite3* db, std::string_view text);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // The text the statement was prepared from.
    std::string_view text() const;

    void bindText(const char* name, std::string_view value);
    void bindBlob(const char* name, std::string_view value);
    void bindInt(const char* name, std::int64_t value);

    // Steps once: true when a row is there, false when the statement is done.
    bool step();
    // Runs a statement that returns no rows.
    void execute();

    // A column's stored bytes (text as UTF-8, a BLOB as it is); NULL is empty.
    std::string bytes(int column) const;
    void readBytes(int column, std::string& into) const;
    // A column as a number; NULL is 0.
    int integer(int column) const;
    std::int64_t integer64(int column) const;
    // Whether a column holds NULL, or a whole number (not text, a fraction or bytes).
    bool isNull(int column) const;
    bool isWholeNumber(int column) const;

    // Ends the statement's run and drops its bindings so it can be used again.
    void reset() noexcept;

private:
    int parameterIndex(const char* name) const;
    [[noreturn]] void fail() const;

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace kw
