// Run by the build: draws the built-in pictures into a source file of PNG
// byte arrays and the application icon at the desktop's sizes, so that the
// drawing code is the only place a picture is kept.
//
//   embed <output-folder>
//     <output-folder>/BuiltinImages.cpp
//     <output-folder>/icons/<n>x<n>/apps/com.quillstone.Hexaloom.png  (n = 16 ... 256)
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

#include "AppIcon.h"
#include "Pictures.h"

namespace {

QByteArray PngBytes(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
    return bytes;
}

QByteArray ByteArraySource(const char *name, const QByteArray &bytes) {
    QByteArray out = "constexpr uint8_t ";
    out += name;
    out += "[] = {";
    for (int i = 0; i < bytes.size(); ++i) {
        if (i % 16 == 0) out += "\n   ";
        out += QByteArray(" 0x") + QByteArray::number(static_cast<uint8_t>(bytes[i]), 16).rightJustified(2, '0') + ",";
    }
    out += "\n};\n\n";
    return out;
}

// Writes only when the content differs, so that an unchanged picture does not
// make the build compile and link again.
bool WriteIfChanged(const QString &path, const QByteArray &bytes) {
    QFile old(path);
    if (old.open(QIODevice::ReadOnly) && old.readAll() == bytes) return true;
    old.close();
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: embed <output-folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const struct {
        const char *array, *accessor;
        QImage image;
    } pictures[] = {
        {"Launch", "LaunchPng", DrawLaunchPicture()},
        {"ScrollTrack", "ScrollTrackPng", DrawScrollTrack()},
        {"ScrollThumb", "ScrollThumbPng", DrawScrollThumb()},
        {"Frame", "FramePng", DrawFrame()},
        {"Splitter", "SplitterPng", DrawSplitter()},
    };
    QByteArray source =
        "// The built-in pictures as PNG data, written by the build from the drawing\n"
        "// code in resources/generator.\n"
        "#include \"resources/BuiltinImages.h\"\n\nnamespace hx {\n\nnamespace {\n\n";
    QByteArray accessors;
    for (const auto &picture : pictures) {
        source += ByteArraySource(picture.array, PngBytes(picture.image));
        accessors += QByteArray("std::span<const uint8_t> ") + picture.accessor + "() { return " + picture.array +
                     "; }\n";
    }
    source += "}  // namespace\n\n" + accessors + "\n}  // namespace hx\n";
    if (!WriteIfChanged(out.filePath("BuiltinImages.cpp"), source)) return 1;

    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = QString("icons/%1x%1/apps").arg(size);
        out.mkpath(folder);
        if (!WriteIfChanged(out.filePath(folder + "/com.quillstone.Hexaloom.png"), PngBytes(DrawAppIcon(size))))
            return 1;
    }
    return 0;
}
