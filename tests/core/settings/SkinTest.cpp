#include "core/settings/Skin.h"

#include "core/base/Error.h"
#include "core/base/ProfileFile.h"
#include "core/base/TextCodec.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using kw::SkinColors;

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir_ / "Skins"); }

    kw::ProfileFile writeList(std::string_view utf8) {
        kw::test::writeBytes(kw::skinListPath(dir_.path()), kw::text::toGbk(utf8));
        return kw::ProfileFile(kw::skinListPath(dir_.path()));
    }

    kw::test::TempDir dir_;
};

TEST_F(SkinTest, ColoursReadInDecimalDollarAndZeroXWithTheirDefaultsElsewhere) {
    const kw::ProfileFile list = writeList(
        "[深邃星空]\r\n"
        "tvSelectChannel.Color=$AEE6C0\r\n"
        "tvSelectChannel.Font.Color=0xAEE6C0\r\n"
        "lblInfo.Font.Color= 255\r\n"
        "edGoogle.Color=-1\r\n"
        "edGoogle.Font.Color=green\r\n"
        "spPlayChannel.Font.Color=$\r\n");
    const kw::Skin skin = kw::readSkin(list, "深邃星空", dir_.path());
    SkinColors expected;
    expected.treeColor = 0xAEE6C0;
    expected.treeFont = 0xAEE6C0;
    expected.infoFont = 255;
    expected.googleColor = 0xFFFFFFFF;
    EXPECT_EQ(skin.colors, expected);
}

TEST_F(SkinTest, MissingSectionOrKeysGiveTheDesignLookWithTheDefaultPicture) {
    const kw::ProfileFile list = writeList("[Other]\r\ntvSelectChannel.Color=1\r\n");
    for (std::string_view name : {"浪漫情怀", "Nowhere"}) {
        const kw::Skin skin = kw::readSkin(list, name, dir_.path());
        EXPECT_EQ(skin.colors, SkinColors{});
        EXPECT_EQ(skin.picture, dir_.path() / "Skins" / "UI0.jpg");
    }
    EXPECT_EQ(SkinColors{}.treeColor, 11462345u);
    EXPECT_EQ(kw::toRgb(SkinColors{}.treeColor), (kw::Rgb{201, 230, 174}));
}

TEST_F(SkinTest, PictureMayNameASubfolderWithEitherSlash) {
    const kw::ProfileFile list = writeList(
        "[A]\r\nimgBackground.Picture.LoadFromFile=Blue\\UI0.jpg\r\n"
        "[B]\r\nimgBackground.Picture.LoadFromFile=\"Deep/Sub\\x.JPEG\"\r\n");
    EXPECT_EQ(kw::readSkin(list, "a", dir_.path()).picture, dir_.path() / "Skins" / "Blue" / "UI0.jpg");
    EXPECT_EQ(kw::readSkin(list, "B", dir_.path()).picture,
              dir_.path() / "Skins" / "Deep" / "Sub" / "x.JPEG");
}

TEST_F(SkinTest, PictureOutsideTheSkinsFolderIsASkinError) {
    for (const std::string value :
         {"..\\..\\..\\home\\u\\x.jpg", "C:\\pics\\a.jpg", "/etc/x.jpg", "Blue/../../x.jpg", "d:x.jpg"}) {
        const kw::ProfileFile list = writeList("[A]\r\nimgBackground.Picture.LoadFromFile=" + value + "\r\n");
        try {
            kw::readSkin(list, "A", dir_.path());
            ADD_FAILURE() << value << " was accepted";
        } catch (const kw::Error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Cannot load the picture \"" + value + "\": it is not inside the Skins folder");
        }
    }
}

TEST_F(SkinTest, NamesInFileOrderAndNoneWithoutTheFile) {
    EXPECT_TRUE(kw::skinNames(kw::ProfileFile(kw::skinListPath(dir_.path()))).empty());
    const kw::ProfileFile list = writeList("[浪漫情怀]\r\n[Blue]\r\nk=v\r\n[水墨江南]\r\n");
    EXPECT_EQ(kw::skinNames(list), (std::vector<std::string>{"浪漫情怀", "Blue", "水墨江南"}));
}

TEST(PictureFormat, ExtensionSelectsTheDecoder) {
    EXPECT_EQ(kw::pictureFormatFor("a/UI0.jpg"), "jpeg");
    EXPECT_EQ(kw::pictureFormatFor("UI0.JPEG"), "jpeg");
    EXPECT_EQ(kw::pictureFormatFor("x.Bmp"), "bmp");
    EXPECT_EQ(kw::pictureFormatFor("x.ico"), "ico");
    EXPECT_EQ(kw::pictureFormatFor("x.wmf"), std::nullopt);
    EXPECT_EQ(kw::pictureFormatFor("x.png"), std::nullopt);
    EXPECT_EQ(kw::pictureFormatFor("Skins/"), std::nullopt);
}

}  // namespace
