#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/exchange/ChannelTextFile.h"
#include "support/ExpectError.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kw {
namespace {

using test::TempDir;
using test::writeBytes;

std::vector<ChannelTextRecord> readAll(const std::filesystem::path& file) {
    ChannelTextReader reader(file);
    std::vector<ChannelTextRecord> records;
    do {
        records.emplace_back();
        reader.read(records.back());
    } while (!reader.atEnd());
    return records;
}

// Eleven GBK lines joined by CR LF, the last one ended too.
std::string gbkRecord(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += text::toGbk(line) + "\r\n";
    return out;
}

struct ReadCase {
    const char* what;
    std::string bytes;
    std::size_t records;
    std::string name;    // line 5 of the first record
    std::string memo;    // line 8 of the first record
    std::string marker;  // of the first record
};

class ChannelTextReaderTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ChannelTextReaderTest, ReadsTheFirstRecordAsCleaned) {
    const ReadCase& c = GetParam();
    TempDir dir;
    writeBytes(dir / "in.txt", c.bytes);
    const auto records = readAll(dir / "in.txt");
    ASSERT_EQ(records.size(), c.records);
    EXPECT_EQ(records[0].name, c.name);
    EXPECT_EQ(records[0].memo, c.memo);
    EXPECT_EQ(records[0].marker, c.marker);
}

const std::vector<std::string> kFull{"B电视台",       "新闻",      "中国大陆",     "普通话",
                                     "中央一台",      "mms://a/b", "http://l/",    "直播",
                                     "Windows Media", "56",        "InsertChannel"};

std::string repeat(std::string_view s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChannelTextReaderTest,
    ::testing::Values(ReadCase{"crlf", gbkRecord(kFull) + gbkRecord(kFull), 2, "中央一台", "直播", "I"},
                      ReadCase{"last line without CR LF",
                               gbkRecord(kFull).substr(0, gbkRecord(kFull).size() - 2), 1, "中央一台", "直播",
                               "I"},
                      ReadCase{"0x1A ends the file", gbkRecord(kFull) + "\x1A" + gbkRecord(kFull), 1,
                               "中央一台", "直播", "I"},
                      ReadCase{"0x1A inside a line ends it", "a\nb\nc\nd\nname\x1Arest\n", 1, "name", "", ""},
                      ReadCase{"missing lines read empty", "B\n\n\n\nname only", 1, "name only", "", ""},
                      ReadCase{"lone CR dropped, LF alone ends", "B\n\n\n\nna\rme\n\n\nme\rmo\n\n\nu\n", 1,
                               "name", "memo", "U"},
                      ReadCase{"blanks and tabs trimmed",
                               text::toGbk("B\n\n\n\n \t 名 称\t \n\n\n  x  \n\n\n\t insertchannel\n"), 1,
                               "名 称", "x", "I"},
                      ReadCase{"limit counts characters",
                               "B\n\n\n\n" + text::toGbk(repeat("频", 120)) + "\n\n\n" +
                                   text::toGbk(repeat("述", 2005)) + "\nx\ny\nInsert",
                               1, repeat("频", 100), repeat("述", 2000), "I"},
                      ReadCase{"cut then trimmed again", "B\n\n\n\n" + repeat("n", 99) + "  tail\n", 1,
                               repeat("n", 99), "", ""},
                      ReadCase{"other marker", gbkRecord({"B", "", "", "", "n", "", "", "", "", "", "xyz"}),
                               1, "n", "", "X"},
                      ReadCase{"empty file", "", 1, "", "", ""},
                      ReadCase{"one endless line", repeat("abcdefgh", 300000), 1, "", "", ""}),
    [](const auto& param) {
        std::string name = param.param.what;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

TEST(ChannelTextReader, ShiftedRecordsAreFramedByElevenLines) {
    TempDir dir;
    // A description on two lines pushes every later line down by one.
    std::vector<std::string> shifted = kFull;
    shifted.insert(shifted.begin() + 8, "第二行");
    writeBytes(dir / "in.txt", gbkRecord(shifted) + gbkRecord(kFull));
    const auto records = readAll(dir / "in.txt");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].marker, "5");  // the speed took the marker's place
    EXPECT_EQ(records[1].class0, "InsertChannel");
    EXPECT_EQ(records[1].marker, "5");
}

TEST(ChannelTextReader, RefusesADirectoryAndAMissingFile) {
    TempDir dir;
    EXPECT_ERROR("不是一个文件：", ChannelTextReader{dir.path()});
    EXPECT_ERROR("No such file or directory", ChannelTextReader{dir / "missing.txt"});
}

TEST(ChannelTextWriter, WritesElevenGbkLinesWithTheDescriptionOnOne) {
    ChannelTextRecord record{"B电视台",
                             "",
                             "",
                             "",
                             "台\x1A",
                             "mms://x",
                             "",
                             "第一\r\n第二\n第三",
                             "",
                             "",
                             std::string(kInsertMarker)};
    EXPECT_EQ(
        encodeChannelRecord(record),
        text::toGbk("B电视台\r\n\r\n\r\n\r\n台\r\nmms://x\r\n\r\n第一第二第三\r\n\r\n\r\nInsertChannel\r\n"));
}

TEST(ChannelTextWriter, WhatIsWrittenReadsBackTheSame) {
    TempDir dir;
    ChannelTextRecord record{"B电视台",
                             "新闻",
                             "中国大陆",
                             "普通话",
                             "中央 一台",
                             "mms://a/b?c=1",
                             "http://l/",
                             "[直播][全天]",
                             "Windows Media",
                             "56",
                             std::string(kInsertMarker)};
    writeBytes(dir / "out.txt", encodeChannelRecord(record) + encodeChannelRecord(record));
    const auto records = readAll(dir / "out.txt");
    ASSERT_EQ(records.size(), 2u);
    for (const ChannelTextRecord& back : records) {
        EXPECT_EQ(back.class0, record.class0);
        EXPECT_EQ(back.class3, record.class3);
        EXPECT_EQ(back.name, record.name);
        EXPECT_EQ(back.url, record.url);
        EXPECT_EQ(back.memo, record.memo);
        EXPECT_EQ(back.speed, record.speed);
        EXPECT_EQ(back.marker, "I");
    }
}

}  // namespace
}  // namespace kw
