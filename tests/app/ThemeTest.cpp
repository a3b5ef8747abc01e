#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include <zip.h>

#include <fstream>

#include "app/settings/Theme.h"
#include "resources/BuiltinImages.h"

using namespace hx;

namespace {

QByteArray png(QColor colour, int side = 16) {
    QImage image(side, side, QImage::Format_RGBA8888);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Writes an archive with the given entries, in order.
void writeArchive(const std::string &path, const std::vector<std::pair<std::string, QByteArray>> &entries) {
    int error = 0;
    zip_t *archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const auto &[name, bytes] : entries) {
        zip_source_t *source = zip_source_buffer(archive, bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0) << name;
    }
    ASSERT_EQ(zip_close(archive), 0);
}

QColor colourOf(const QImage *icon) { return icon ? icon->pixelColor(0, 0) : QColor(); }

class Themes : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string path(const std::string &name) const { return dir.path().toStdString() + "/" + name; }
    void TearDown() override { ClearTheme(); }
};

}  // namespace

TEST_F(Themes, EntryNamesLoseFourCharactersAndLaterEntriesWin) {
    const QByteArray red = png(Qt::red), green = png(Qt::green), blue = png(Qt::blue);
    writeArchive(path("t.zip"), {{"Icons/New.png", red},
                                 {"New.png", green},
                                 {"new.png", blue},
                                 {"Open.gif", red},     // any four characters go
                                 {"Save.png", QByteArray("not an image")},
                                 {"abc", green}});
    ASSERT_TRUE(LoadTheme(path("t.zip")));
    EXPECT_EQ(colourOf(GetIcon("icons/new")), QColor(Qt::red));
    EXPECT_EQ(colourOf(GetIcon("new")), QColor(Qt::blue));
    EXPECT_EQ(GetIcon("New"), GetIcon("nEW"));
    EXPECT_EQ(GetIcon("NEW"), GetIcon("new"));
    EXPECT_NE(GetIcon("Open"), nullptr);
    EXPECT_EQ(GetIcon("Save"), nullptr);   // undecodable: skipped
    EXPECT_NE(GetIcon(""), nullptr);       // "abc" lost all its characters
    EXPECT_EQ(GetIcon("Quit"), nullptr);
    EXPECT_EQ(GetIcon("new")->format(), QImage::Format_RGBA8888);
}

TEST_F(Themes, AnOversizedEntryIsSkippedAndTheRestLoads) {
    // 17 MiB of zeros compress to a few kilobytes: the declared size decides.
    const QByteArray bomb(static_cast<int>(MaxThemeEntrySize) + (1 << 20), '\0');
    writeArchive(path("bomb.zip"), {{"Bomb.png", bomb}, {"Open.png", png(Qt::green)}});
    ASSERT_TRUE(LoadTheme(path("bomb.zip")));
    EXPECT_EQ(GetIcon("bomb"), nullptr);
    EXPECT_NE(GetIcon("open"), nullptr);
}

TEST_F(Themes, MissingOrBrokenArchivesLeaveNoIcons) {
    writeArchive(path("t.zip"), {{"New.png", png(Qt::red)}});
    ASSERT_TRUE(LoadTheme(path("t.zip")));
    EXPECT_FALSE(LoadTheme(path("none.zip")));
    EXPECT_EQ(GetIcon("new"), nullptr);  // a new theme replaces the old one, even when it fails
    std::ofstream(path("broken.zip"), std::ios::binary) << "PK\x03\x04 this is no archive";
    EXPECT_FALSE(LoadTheme(path("broken.zip")));
    EXPECT_TRUE(IconNames().empty());
}

TEST_F(Themes, ShippedThemesHaveEveryIconTheProgramAsksFor) {
    for (const char *theme : {"Farm-Fresh", "Slate"}) {
        SCOPED_TRACE(theme);
        ASSERT_TRUE(LoadTheme(std::string(HEXALOOM_SOURCE_DIR) + "/Themes/" + theme + ".zip"));
        for (const char *name : ProgramIconNames) {
            const QImage *icon = GetIcon(name);
            ASSERT_NE(icon, nullptr) << name;
            EXPECT_EQ(icon->size(), QSize(16, 16)) << name;
            // Really drawn: a fair number of mostly opaque pixels.
            int ink = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    ink += icon->pixelColor(x, y).alpha() >= 128;
            EXPECT_GT(ink, 30) << name;
        }
    }
}

TEST(BuiltinImages, DecodeToTheirSizesAndCutIntoTheHexViewFrames) {
    LoadBuiltinImages();
    EXPECT_EQ(LaunchImage().size(), QSize(480, 224));
    EXPECT_EQ(SplitterImage().size(), QSize(16, 16));

    const FrameImage *area = AreaFrame();
    ASSERT_NE(area, nullptr);
    EXPECT_FALSE(area->has(FrameCentre));
    for (FramePiece p : {FrameTopLeft, FrameTop, FrameTopRight, FrameLeft, FrameRight, FrameBottomLeft,
                         FrameBottom, FrameBottomRight})
        EXPECT_EQ(area->piece(p).size(), QSize(4, 4)) << p;

    for (const FrameImage *bar : {ScrollTrackFrame(), ScrollThumbFrame()}) {
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->piece(FrameTop).size(), QSize(16, 4));
        EXPECT_EQ(bar->piece(FrameCentre).size(), QSize(16, 16));
        EXPECT_EQ(bar->piece(FrameBottom).size(), QSize(16, 4));
        EXPECT_FALSE(bar->has(FrameLeft));
    }
    // The frame's inner side is white, to join the white areas it surrounds.
    EXPECT_EQ(area->piece(FrameTop).pixelColor(2, 3), QColor(Qt::white));

    // Loading again gives fresh, complete frames.
    LoadBuiltinImages();
    ASSERT_NE(AreaFrame(), nullptr);
    EXPECT_EQ(AreaFrame()->piece(FrameBottomRight).size(), QSize(4, 4));
}
