#include "core/store/StatementCatalogue.h"

namespace kw::sql {

std::string selectColumnByName(std::string_view column) {
    return "select " + std::string(column) +
           " as sResult from ChannelInfo where ci_Name=:sqlsName and ci_GroupID<>0";
}

std::string selectDistinctColumn(std::string_view column) {
    return "select DISTINCT " + std::string(column) +
           " as sResult from ChannelInfo where ci_GroupID<>0 order by " + std::string(column);
}

std::string selectDistinctColumnInMainCategory(std::string_view column, std::string_view mainCategory) {
    return "select DISTINCT " + std::string(column) +
           " as sResult from ChannelInfo where (ci_Class0=" + quotedLiteral(mainCategory) +
           ") and (ci_GroupID<>0) order by " + std::string(column);
}

std::string quotedLiteral(std::string_view text) {
    std::string literal = "'";
    for (char c : text) {
        if (c == '\'') literal += '\'';
        literal += c;
    }
    literal += '\'';
    return literal;
}

}  // namespace kw::sql
