// Writes the icon themes into the source tree:
//
//   Themes/Farm-Fresh.zip         the default, colourful icon theme
//   Themes/Slate.zip              a flat blue-grey icon theme
//
// The built-in pictures are drawn by the build itself (embed.cpp, from the
// same drawing code), so they are not kept in the tree. With a second
// argument the generator writes previews there: the built-in pictures as
// PNG files, icon-sheet.png (both themes side by side, enlarged) and
// launch.png.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>

#include <zip.h>

#include <cstdio>
#include <vector>

#include "Pictures.h"

namespace {

QByteArray pngBytes(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

bool writeTheme(const QString &path, const std::vector<NamedIcon> &icons) {
    QFile::remove(path);
    int error = 0;
    zip_t *archive = zip_open(path.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    std::vector<QByteArray> keep;  // libzip reads the buffers when the archive is closed
    keep.reserve(icons.size());
    for (const NamedIcon &icon : icons) {
        keep.push_back(pngBytes(icon.image));
        zip_source_t *source = zip_source_buffer(archive, keep.back().constData(),
                                                 static_cast<zip_uint64_t>(keep.back().size()), 0);
        const QByteArray name = (icon.name + ".png").toUtf8();
        const zip_int64_t index = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
        // A fixed time keeps the archive the same from run to run.
        zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), 1704067200, 0);
    }
    return zip_close(archive) == 0;
}

QImage iconSheet(const std::vector<std::pair<QString, std::vector<NamedIcon>>> &themes) {
    const int scale = 3, cell = 16 * scale + 16, label = 130, columns = 3;
    const int perTheme = static_cast<int>(themes.front().second.size());
    const int rows = (perTheme + columns - 1) / columns;
    const int themeWidth = columns * (cell + label);
    QImage sheet(themeWidth * static_cast<int>(themes.size()) + 16, rows * cell + 48,
                 QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(246, 247, 250));
    QPainter p(&sheet);
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    p.setFont(font);
    for (size_t t = 0; t < themes.size(); ++t) {
        const int x0 = 8 + static_cast<int>(t) * themeWidth;
        QFont bold = font;
        bold.setBold(true);
        bold.setPixelSize(15);
        p.setFont(bold);
        p.setPen(QColor(30, 40, 60));
        p.drawText(x0, 26, themes[t].first);
        p.setFont(font);
        for (int k = 0; k < perTheme; ++k) {
            const NamedIcon &icon = themes[t].second[static_cast<size_t>(k)];
            const int x = x0 + (k % columns) * (cell + label), y = 40 + (k / columns) * cell;
            p.fillRect(x, y, 16 * scale + 8, 16 * scale + 8, Qt::white);
            p.drawImage(QRect(x + 4, y + 4, 16 * scale, 16 * scale), icon.image);
            p.drawImage(QPoint(x + 16 * scale + 12, y + 4), icon.image);
            p.setPen(QColor(50, 60, 80));
            p.drawText(x + 16 * scale + 12, y + 40, icon.name);
        }
    }
    return sheet;
}

}  // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: generate <repository> [preview-folder]\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    root.mkpath("Themes");

    const struct {
        const char *file;
        QImage image;
    } pictures[] = {
        {"Launch.png", DrawLaunchPicture()},   {"ScrollTrack.png", DrawScrollTrack()},
        {"ScrollThumb.png", DrawScrollThumb()}, {"Frame.png", DrawFrame()},
        {"Splitter.png", DrawSplitter()},
    };

    const std::vector<NamedIcon> fresh = DrawIcons(IconStyle::Colourful);
    const std::vector<NamedIcon> slate = DrawIcons(IconStyle::Slate);
    if (!writeTheme(root.filePath("Themes/Farm-Fresh.zip"), fresh) ||
        !writeTheme(root.filePath("Themes/Slate.zip"), slate))
        return 1;

    if (argc > 2) {
        const QDir preview(QString::fromLocal8Bit(argv[2]));
        for (const auto &picture : pictures)
            if (!writeFile(preview.filePath(picture.file), pngBytes(picture.image))) return 1;
        iconSheet({{"Farm-Fresh", fresh}, {"Slate", slate}}).save(preview.filePath("icon-sheet.png"));
        pictures[0].image.save(preview.filePath("launch.png"));
        QImage small(5 * 24 * 4, 26 * 4, QImage::Format_ARGB32_Premultiplied);
        small.fill(QColor(212, 208, 200));
        QPainter p(&small);
        int x = 8;
        for (size_t k = 1; k < 5; ++k) {
            const QImage &img = pictures[k].image;
            p.drawImage(QRect(x, 4, img.width() * 4, img.height() * 4), img);
            x += img.width() * 4 + 16;
        }
        p.end();
        small.save(preview.filePath("small-pictures.png"));
    }
    return 0;
}
