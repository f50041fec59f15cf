#include "core/session/UserMessages.h"

#include "core/base/AsciiText.h"

#include <array>

namespace kw {
namespace {

struct Explanation {
    std::string_view engineText;  // found anywhere in the message, letter case ignored
    std::string_view meaning;
};

// The more specific texts first.
constexpr std::array kExplanations{
    Explanation{"file is not a database", "频道数据文件已损坏，或者不是本软件的频道数据文件，无法打开。"},
    Explanation{"database disk image is malformed",
                "频道数据文件已损坏。请用备份的频道数据文件替换它，或重新安装本软件。"},
    Explanation{"attempt to write a readonly database", "频道数据是只读的，无法保存更改。"},
    Explanation{"database is locked", "频道数据正被另一个程序使用，请稍后再试。"},
    Explanation{"database or disk is full", "磁盘已满，更改无法保存。请腾出磁盘空间后再试。"},
    Explanation{"disk i/o error", "读写频道数据文件时出错，请检查磁盘。"},
    Explanation{"unable to open database file", "无法打开频道数据文件，请检查它是否存在以及您是否有权访问。"},
    Explanation{"cannot load the picture",
                "无法载入皮肤图片，窗口将不显示背景图片。可在菜单中换用其他皮肤。"},
};

}  // namespace

std::string explainForUser(std::string_view text) {
    const std::string folded = ascii::lower(text);
    for (const Explanation& explanation : kExplanations) {
        if (text.starts_with(explanation.meaning)) return std::string(text);
        if (folded.find(explanation.engineText) == std::string::npos) continue;
        std::string explained(explanation.meaning);
        explained += "\r\n\r\n";
        explained += text;
        return explained;
    }
    return std::string(text);
}

}  // namespace kw
