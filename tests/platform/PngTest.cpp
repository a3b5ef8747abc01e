#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <random>
#include <zlib.h>

#include "platform/Png.h"

using namespace hx;

namespace {

QByteArray encode(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "PNG"));
    return bytes;
}

QImage decode(const QByteArray &bytes) {
    return DecodePng({reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size())});
}

QImage translucentPicture() {
    QImage image(5, 3, QImage::Format_RGBA8888);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            image.setPixelColor(x, y, QColor(x * 50, y * 100, 7, x * 60 + 10));
    return image;
}

void putBigEndian(QByteArray &bytes, int at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

}  // namespace

TEST(Png, DecodesToStraightAlphaRgbaWithTheStoredValues) {
    const QImage source = translucentPicture();
    const QImage image = decode(encode(source));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.format(), QImage::Format_RGBA8888);
    ASSERT_EQ(image.size(), source.size());
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            // Straight alpha: the bytes in memory are R, G, B, A as stored.
            const uchar *p = image.constScanLine(y) + 4 * x;
            EXPECT_EQ(p[0], x * 50);
            EXPECT_EQ(p[1], y * 100);
            EXPECT_EQ(p[2], 7);
            EXPECT_EQ(p[3], x * 60 + 10);
        }
    }
}

TEST(Png, PaletteGreyAndOpaqueDataBecomeOpaqueRgba) {
    QImage grey(4, 2, QImage::Format_Grayscale8);
    grey.fill(90);
    QImage palette(3, 3, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 0)});
    palette.fill(1);
    QImage rgb(2, 2, QImage::Format_RGB32);
    rgb.fill(qRgb(1, 2, 3));
    const struct {
        QImage image;
        QColor want;
    } cases[] = {{grey, QColor(90, 90, 90)}, {palette, QColor(200, 100, 0)}, {rgb, QColor(1, 2, 3)}};
    for (const auto &c : cases) {
        const QImage image = decode(encode(c.image));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.format(), QImage::Format_RGBA8888);
        EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), c.want);
    }
}

TEST(Png, CutOffOrDamagedDataGivesNoImageAndNoCrash) {
    const QByteArray good = encode(translucentPicture().scaled(40, 30));
    ASSERT_FALSE(decode(good).isNull());
    EXPECT_TRUE(decode(QByteArray()).isNull());
    EXPECT_TRUE(decode(QByteArray("not a png at all")).isNull());
    // Every prefix that cuts into the pixel data fails cleanly (each one runs
    // libpng's error path). Only the closing IEND chunk may be missing: all
    // pixels are there then.
    const int pixelsEnd = good.indexOf("IEND") - 4;
    ASSERT_GT(pixelsEnd, 0);
    for (int length = 0; length < pixelsEnd; ++length)
        EXPECT_TRUE(decode(good.left(length)).isNull()) << "prefix of " << length << " bytes";
    EXPECT_EQ(decode(good.left(pixelsEnd)).size(), QSize(40, 30));
    // Flipped bytes after the signature must never crash; most are caught by the CRCs.
    const unsigned seed = 20240501;
    std::mt19937 random(seed);
    for (int round = 0; round < 300; ++round) {
        QByteArray damaged = good;
        const int at = 8 + static_cast<int>(random() % static_cast<unsigned>(good.size() - 8));
        damaged[at] = static_cast<char>(damaged[at] ^ (1 + random() % 255));
        const QImage image = decode(damaged);
        if (!image.isNull()) {
            EXPECT_EQ(image.size(), QSize(40, 30)) << "seed " << seed << " round " << round;
        }
    }
}

TEST(Png, HugeDeclaredSizeIsRefusedBeforeAllocating) {
    // A valid 1 x 1 picture whose header is rewritten to claim 100000 x 100000
    // pixels (40 GB of RGBA), with a correct header checksum.
    QImage one(1, 1, QImage::Format_RGBA8888);
    one.fill(Qt::black);
    QByteArray bytes = encode(one);
    ASSERT_EQ(bytes.mid(12, 4), QByteArray("IHDR"));
    putBigEndian(bytes, 16, 100000);
    putBigEndian(bytes, 20, 100000);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(bytes.constData() + 12), 17);
    putBigEndian(bytes, 29, static_cast<uint32_t>(crc));
    EXPECT_TRUE(decode(bytes).isNull());

    putBigEndian(bytes, 16, MaxPngSide + 1);
    putBigEndian(bytes, 20, 1);
    putBigEndian(bytes, 29, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(bytes.constData() + 12), 17)));
    EXPECT_TRUE(decode(bytes).isNull());
}
