#include "core/base/Error.h"
#include "core/base/ProfileFile.h"
#include "core/base/SafeFile.h"
#include "core/base/TextCodec.h"

#include "support/ExpectError.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using kw::ProfileFile;
using kw::text::toGbk;

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override { path_ = dir_ / "Kestrelwave.ini"; }

    void store(std::string_view bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string stored() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    kw::test::TempDir temp_;
    const fs::path dir_ = temp_.path();
    fs::path path_;
};

TEST_F(ProfileFileTest, MissingFileReadsDefaults) {
    const ProfileFile file(path_);
    EXPECT_EQ(file.readText("LastStatus", "SCS", "dflt"), "dflt");
    EXPECT_EQ(file.readInteger("LastStatus", "cbFilterChannel.ItemIndex", 3), 3);
    EXPECT_TRUE(file.readBool("SetupOptions", "IsHideOnDeactive", true));
    EXPECT_FALSE(file.readBool("SetupOptions", "IsHideOnDeactive", false));
    EXPECT_TRUE(file.sectionNames().empty());
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(ProfileFileTest, FirstWritesCreateFileSectionsAndKeysInGbkWithCrLf) {
    ProfileFile file(path_);
    file.writeText("LastStatus", "LastSkinName", "浪漫情怀");
    file.writeInteger("LastStatus", "cbFilterChannel.ItemIndex", -3);
    file.writeBool("SetupOptions", "IsHideOnDeactive", true);
    EXPECT_EQ(stored(), "[LastStatus]\r\nLastSkinName=" + toGbk("浪漫情怀") +
                            "\r\ncbFilterChannel.ItemIndex=-3\r\n"
                            "[SetupOptions]\r\nIsHideOnDeactive=1\r\n");
    EXPECT_EQ(ProfileFile(path_).readText("LastStatus", "LastSkinName"), "浪漫情怀");
}

TEST_F(ProfileFileTest, WriteRewritesTheKeysLineWhereItStandsAndKeepsEveryOtherByte) {
    const std::string before =
        "; settings\n[SetupOptions]\nSNDREC = old.exe\r\n\n  garbage line \xFF\n"
        "\xEF\xBF line\r[LastStatus]\r\nSCS=x\r\n";
    store(before);
    ProfileFile(path_).writeText("setupoptions", "sndrec", "录音.exe");
    EXPECT_EQ(stored(), "; settings\n[SetupOptions]\nSNDREC=" + toGbk("录音.exe") +
                            "\r\n\n  garbage line \xFF\n\xEF\xBF line\r[LastStatus]\r\nSCS=x\r\n");
}

TEST_F(ProfileFileTest, NewKeyFollowsLastKeyOfItsSectionBeforeCommentsOfTheNext) {
    store("[A]\r\nk=1\r\n\r\n; about B\r\n[B]\r\nj=2\r\n");
    ProfileFile(path_).writeText("a", "new", "v");
    EXPECT_EQ(stored(), "[A]\r\nk=1\r\nnew=v\r\n\r\n; about B\r\n[B]\r\nj=2\r\n");

    store("[Empty]\n[B]\n");
    ProfileFile(path_).writeText("Empty", "k", "1");
    EXPECT_EQ(stored(), "[Empty]\nk=1\r\n[B]\n");
}

TEST_F(ProfileFileTest, LastLineWithoutLineBreakGetsOneBeforeAddedLines) {
    store("[A]\r\nk=1");
    ProfileFile(path_).writeText("A", "j", "2");
    EXPECT_EQ(stored(), "[A]\r\nk=1\r\nj=2\r\n");

    store("[A]\r\nk=1");
    ProfileFile(path_).writeText("B", "j", "2");
    EXPECT_EQ(stored(), "[A]\r\nk=1\r\n[B]\r\nj=2\r\n");
}

TEST_F(ProfileFileTest, ManyKeysOfASetFileGoInOneRewriteInTheirOrder) {
    std::vector<ProfileFile::Entry> slots;
    std::string expected = "[SpeedChannel]\r\n";
    for (int i = 1; i <= 22; ++i) {
        const std::string name = i == 2 ? "电台" : i % 2 ? "" : "CCTV-" + std::to_string(i);
        slots.emplace_back(std::to_string(i), name);
        expected += std::to_string(i) + "=" + toGbk(name) + "\r\n";
    }
    ProfileFile(path_).writeTexts("SpeedChannel", slots);
    EXPECT_EQ(stored(), expected);

    store("; mine\n[SpeedChannel]\n2=old\n");
    ProfileFile(path_).writeTexts("SpeedChannel", std::vector<ProfileFile::Entry>{{"1", "a"}, {"2", "b"}});
    EXPECT_EQ(stored(), "; mine\n[SpeedChannel]\n2=b\n1=a\r\n");
}

TEST_F(ProfileFileTest, SectionAndKeyNamesIgnoreAsciiCaseAndSurroundingBlanks) {
    store("[ SetupOptions ]\r\n IsHideOnDeactive =1\r\n");
    ProfileFile file(path_);
    EXPECT_TRUE(file.readBool("setupoptions", "ISHIDEONDEACTIVE", false));
    file.writeBool("SETUPOPTIONS", "ishideondeactive", false);
    EXPECT_EQ(stored(), "[ SetupOptions ]\r\nIsHideOnDeactive=0\r\n");
}

TEST_F(ProfileFileTest, WritesStartFromTheFileOnDiskNotFromAnOlderReading) {
    ProfileFile first(path_);
    ProfileFile second(path_);
    first.writeText("S", "a", "1");
    second.writeText("S", "b", "2");
    EXPECT_EQ(stored(), "[S]\r\na=1\r\nb=2\r\n");
    EXPECT_EQ(second.readText("S", "a"), "1");
}

struct TextCase {
    std::string stored;
    std::string read;
};

void PrintTo(const TextCase& value, std::ostream* out) { *out << '[' << value.stored << ']'; }

class ReadTextRule : public ProfileFileTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(ReadTextRule, RemovesBlanksAndOnePairOfQuotes) {
    store("[S]\r\nk=" + GetParam().stored + "\r\n");
    EXPECT_EQ(ProfileFile(path_).readText("S", "k", "missing"), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(Values, ReadTextRule,
                         ::testing::Values(TextCase{"  padded \t", "padded"},
                                           TextCase{"\"double\"", "double"}, TextCase{"'single'", "single"},
                                           TextCase{" \" inner blanks \" ", " inner blanks "},
                                           TextCase{"\"\"twice\"\"", "\"twice\""},
                                           TextCase{"\"mixed'", "\"mixed'"}, TextCase{"\"", "\""},
                                           TextCase{"\"\"", ""}, TextCase{"", ""}, TextCase{"a=b", "a=b"},
                                           TextCase{"x ; not a comment", "x ; not a comment"}));

TEST_F(ProfileFileTest, CutsLongValuesAt2047GbkBytesWithoutSplittingACharacter) {
    const std::string ascii(2047, 'a');
    store("[S]\r\nascii=" + ascii + "b\r\nchinese=" + toGbk(std::string(2046, 'a') + "中") + "\r\n");
    const ProfileFile file(path_);
    EXPECT_EQ(file.readText("S", "ascii"), ascii);
    EXPECT_EQ(file.readText("S", "chinese"), std::string(2046, 'a'));
}

struct IntegerCase {
    std::string stored;
    int read;
};

void PrintTo(const IntegerCase& value, std::ostream* out) { *out << '[' << value.stored << ']'; }

class ReadIntegerRule : public ProfileFileTest, public ::testing::WithParamInterface<IntegerCase> {};

TEST_P(ReadIntegerRule, ReadsDecimalAndHexOrGivesTheDefault) {
    store("[S]\r\nk=" + GetParam().stored + "\r\n");
    EXPECT_EQ(ProfileFile(path_).readInteger("S", "k", 777), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadIntegerRule,
    ::testing::Values(IntegerCase{"42", 42}, IntegerCase{"  -7 ", -7}, IntegerCase{"+5", 5},
                      IntegerCase{"007", 7}, IntegerCase{"'12'", 12}, IntegerCase{"$AEE6C9", 11462345},
                      IntegerCase{"0xaee6c9", 11462345}, IntegerCase{"0XAEE6C9", 11462345},
                      IntegerCase{"-$10", -16}, IntegerCase{"$FFFFFFFF", -1},
                      IntegerCase{"2147483647", 2147483647}, IntegerCase{"-2147483648", -2147483647 - 1},
                      // Not a whole 32-bit number: the default.
                      IntegerCase{"2147483648", 777}, IntegerCase{"$100000000", 777}, IntegerCase{"", 777},
                      IntegerCase{"12abc", 777}, IntegerCase{"abc", 777}, IntegerCase{"$", 777},
                      IntegerCase{"0x", 777}, IntegerCase{"1.5", 777}, IntegerCase{"1 2", 777},
                      IntegerCase{"--1", 777}, IntegerCase{"$G0", 777}, IntegerCase{"一", 777}));

TEST_F(ProfileFileTest, BooleanIsAnyNonZeroNumberAndMalformedGivesTheDefault) {
    store("[S]\r\ntwo=2\r\nzero=0\r\nminus=-1\r\nword=yes\r\n");
    const ProfileFile file(path_);
    EXPECT_TRUE(file.readBool("S", "two", false));
    EXPECT_FALSE(file.readBool("S", "zero", true));
    EXPECT_TRUE(file.readBool("S", "minus", false));
    EXPECT_TRUE(file.readBool("S", "word", true));
    EXPECT_FALSE(file.readBool("S", "word", false));
}

TEST_F(ProfileFileTest, FileWithByteOrderMarkIsUtf8AndStaysUtf8) {
    store("\xEF\xBB\xBF[LastStatus]\nLastSkinName=蓝色\n");
    ProfileFile file(path_);
    EXPECT_EQ(file.readText("LastStatus", "LastSkinName"), "蓝色");
    EXPECT_EQ(file.sectionNames(), std::vector<std::string>{"LastStatus"});
    file.writeText("LastStatus", "LastPlayChannelName", "电台");
    EXPECT_EQ(stored(), "\xEF\xBB\xBF[LastStatus]\nLastSkinName=蓝色\nLastPlayChannelName=电台\r\n");

    store("\xEF\xBB\xBF");
    ProfileFile(path_).writeText("S", "k", "v");
    EXPECT_EQ(stored(), "\xEF\xBB\xBF[S]\r\nk=v\r\n");
}

TEST_F(ProfileFileTest, OnlyTheFirstSectionOfANameAndTheFirstOfARepeatedKeyCount) {
    store("[A]\nk=1\nk=2\n[B]\nj=9\n[a]\nk=3\nj=4\n");
    ProfileFile file(path_);
    EXPECT_EQ(file.readText("A", "k"), "1");
    EXPECT_EQ(file.readText("A", "j", "none"), "none");
    file.writeText("A", "k", "5");
    file.writeText("A", "new", "6");
    EXPECT_EQ(stored(), "[A]\nk=5\nk=2\nnew=6\r\n[B]\nj=9\n[a]\nk=3\nj=4\n");
}

TEST_F(ProfileFileTest, CommentsGarbageAndKeysOutsideSectionsMeanNothing) {
    store("orphan=1\nno equals sign\n[S]\n;k=comment\n=nokey\n[broken\nk=2\n");
    const ProfileFile file(path_);
    EXPECT_EQ(file.readText("S", "k"), "2");
    EXPECT_EQ(file.readText("", "orphan", "none"), "none");
    EXPECT_EQ(file.sectionNames(), std::vector<std::string>{"S"});
}

TEST_F(ProfileFileTest, InvalidBytesReadAsReplacementAndLeaveTheRestReadable) {
    const std::string before = "[S]\r\nbad=a\xFF\x80z\r\nlone=\xD6\r\n[T]\r\nok=" + toGbk("中") + "\r\n";
    store(before);
    ProfileFile file(path_);
    EXPECT_EQ(file.readText("S", "bad"), "a\xEF\xBF\xBD\xEF\xBF\xBDz");
    EXPECT_EQ(file.readText("S", "lone"), "\xEF\xBF\xBD");
    EXPECT_EQ(file.readText("T", "ok"), "中");
    file.writeText("T", "ok", "好");
    EXPECT_EQ(stored(), "[S]\r\nbad=a\xFF\x80z\r\nlone=\xD6\r\n[T]\r\nok=" + toGbk("好") + "\r\n");
}

TEST_F(ProfileFileTest, SectionNameWhoseGbkFormHoldsAClosingBracketByte) {
    // 乚 is 0x81 0x5D in GBK: its second byte is "]".
    ASSERT_EQ(toGbk("乚"), "\x81\x5D");
    store("[" + toGbk("乚皮肤") + "]\r\nk=1\r\n[" + toGbk("浪漫情怀") + "]\r\n[skin]\r\n[SKIN]\r\n");
    const ProfileFile file(path_);
    EXPECT_EQ(file.readInteger("乚皮肤", "k", 0), 1);
    EXPECT_EQ(file.sectionNames(), (std::vector<std::string>{"乚皮肤", "浪漫情怀", "skin"}));
}

TEST_F(ProfileFileTest, RefusedWriteNamesThePathAndCreatesNothing) {
    store("[S]\r\nk=1\r\n");
    const fs::path underFile = path_ / "Kestrelwave.ini";
    ProfileFile file(underFile);
    try {
        file.writeText("S", "k", "2");
        FAIL() << "the write went through";
    } catch (const kw::Error& error) {
        EXPECT_STREQ(error.what(), ("Unable to write to " + underFile.string()).c_str());
    }
    EXPECT_EQ(stored(), "[S]\r\nk=1\r\n");
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(ProfileFileTest, WriteCutShortByTheFileSystemLeavesTheOldFileWhole) {
    const std::string before = "[S]\r\nk=1\r\n";
    store(before);
    // A file-size limit makes the system refuse the write midway, like a full disk.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    ProfileFile file(path_);
    EXPECT_THROW(
        {
            try {
                file.writeText("S", "k", std::string(200, 'x'));
            } catch (const kw::Error& error) {
                EXPECT_STREQ(error.what(), ("Unable to write to " + path_.string()).c_str());
                throw;
            }
        },
        kw::Error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(file.readText("S", "k"), "1");
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(ProfileFileTest, FolderInThePlaceOfTheFileReadsDefaultsAndRefusesWrites) {
    fs::create_directory(path_);
    ProfileFile file(path_);
    EXPECT_EQ(file.readText("S", "k", "d"), "d");
    EXPECT_ERROR("Unable to write to ", file.writeText("S", "k", "v"));
    EXPECT_TRUE(fs::is_directory(path_));
}

TEST_F(ProfileFileTest, NamesAndValuesThatCannotBeHeldInOneLineAreRefused) {
    store("[S]\r\nk=1\r\n");
    ProfileFile file(path_);
    EXPECT_ERROR("A value with a line break cannot be written", file.writeText("S", "k", "two\r\nlines"));
    EXPECT_ERROR("Invalid key name \"a=b\"", file.writeText("S", "a=b", "v"));
    EXPECT_ERROR("Invalid key name \";k\"", file.writeText("S", ";k", "v"));
    EXPECT_ERROR("Invalid key name \"  \"", file.writeText("S", "  ", "v"));
    EXPECT_ERROR("Invalid section name \"S]x\"", file.writeText("S]x", "k", "v"));
    EXPECT_EQ(stored(), "[S]\r\nk=1\r\n");
}

TEST_F(ProfileFileTest, NamesThatWouldNotReadBackAreRefused) {
    store("[S]\r\nk=1\r\n");
    const std::string utf8File = "\xEF\xBB\xBF[S]\r\nk=1\r\n";
    for (const std::string& bytes : {std::string("[S]\r\nk=1\r\n"), utf8File}) {
        store(bytes);
        ProfileFile file(path_);
        for (const std::string name : {"a\x1A"
                                       "b",
                                       "bad\xFF\xFE", "\xC3"}) {
            EXPECT_ERROR("Invalid section name", file.writeText(name, "k", "v")) << name;
            EXPECT_ERROR("Invalid key name", file.writeText("S", name, "v")) << name;
        }
        EXPECT_EQ(stored(), bytes);
        file.writeText("S", "浪漫", "v");
        EXPECT_EQ(ProfileFile(path_).readText("S", "浪漫"), "v");
    }
}

TEST_F(ProfileFileTest, WritersInTwoProcessesKeepEachOthersKeys) {
    constexpr int kWrites = 150;
    pid_t children[2] = {};
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            int failures = 0;
            for (int i = 0; i < kWrites; ++i) {
                try {
                    ProfileFile(path_).writeText("S", "k" + std::to_string(child) + "-" + std::to_string(i),
                                                 "v");
                } catch (...) {
                    ++failures;
                }
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const ProfileFile file(path_);
    int missing = 0;
    for (int child = 0; child < 2; ++child)
        for (int i = 0; i < kWrites; ++i)
            missing += file.readText("S", "k" + std::to_string(child) + "-" + std::to_string(i)) != "v";
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(ProfileFileTest, LockHeldByAnotherWriterTimesOutWithAClearMessage) {
    // flock locks belong to an open file, so a second open conflicts even here.
    kw::FileDescriptor other(::open(dir_.c_str(), O_RDONLY | O_DIRECTORY));
    ASSERT_EQ(::flock(other.get(), LOCK_EX), 0);
    try {
        const kw::UpdateLock lock(path_, std::chrono::milliseconds(50));
        FAIL() << "the lock was taken twice";
    } catch (const kw::Error& error) {
        EXPECT_STREQ(error.what(),
                     ("Unable to write to " + path_.string() + ": another program is writing it").c_str());
    }
    ::flock(other.get(), LOCK_UN);
    EXPECT_NO_THROW(kw::UpdateLock(path_, std::chrono::milliseconds(50)));
}

TEST_F(ProfileFileTest, WriteSweepsTemporariesOfDeadWritersOnly) {
    store("[S]\r\nk=1\r\n");
    const pid_t dead = ::fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string live = std::to_string(::getppid());
    const std::vector<std::string> kept{"Kestrelwave.ini.tmp" + live + "-0",
                                        "Other.ini.tmp" + std::to_string(dead) + "-0",
                                        "Kestrelwave.ini.tmp" + std::to_string(dead) + "-x"};
    for (const std::string& name : kept) std::ofstream(dir_ / name) << "x";
    std::ofstream(dir_ / ("Kestrelwave.ini.tmp" + std::to_string(dead) + "-7")) << "x";
    ProfileFile(path_).writeText("S", "k", "2");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir_)) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected = kept;
    expected.push_back("Kestrelwave.ini");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

TEST_F(ProfileFileTest, FolderSweepRemovesTheTemporariesOfEveryDeadWriter) {
    const pid_t dead = ::fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string live = std::to_string(::getppid());
    const std::vector<std::string> kept{"Kestrelwave.ini.tmp" + live + "-0", "out.txt.tmp" + live + "-1",
                                        ".tmp" + std::to_string(dead) + "-0", "Temp.scs"};
    for (const std::string& name : kept) std::ofstream(dir_ / name) << "x";
    for (const std::string name : {"Kestrelwave.ini", "ChannelTree.tre", "out.txt"})
        std::ofstream(dir_ / (name + ".tmp" + std::to_string(dead) + "-3")) << "x";
    kw::removeStaleTemporariesIn(dir_);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir_)) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

TEST_F(ProfileFileTest, RewriteKeepsPermissionsAndWritesThroughALink) {
    store("[S]\r\nk=1\r\n");
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = dir_ / "link.ini";
    fs::create_symlink(path_, link);
    ProfileFile(link).writeText("S", "k", "2");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(stored(), "[S]\r\nk=2\r\n");
    EXPECT_EQ(fs::status(path_).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
