// Drawing a screen of hex rows through Drawing, next to the same QPainter
// calls made directly: the ratio shows what the wrapper costs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;

struct Row {
    std::string offset;
    std::string hex;
    std::string bytes;
};

// One row per line of a 1080-pixel view: offset, hexadecimal and character runs.
std::vector<Row> ScreenRows(int lineHeight) {
    std::vector<Row> rows;
    const int count = ScreenHeight / lineHeight;
    for (int r = 0; r < count; ++r) {
        Row row;
        char offset[32];
        std::snprintf(offset, sizeof offset, "%08X", r * 16);
        row.offset = offset;
        for (int i = 0; i < 16; ++i) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02X ", (r * 16 + i) & 255);
            row.hex += pair;
            row.bytes.push_back(static_cast<char>(32 + (r * 16 + i) % 224));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

QFont HexFont() { return hx::FixedFont("Courier New", 10); }

void HexRowsThroughDrawing(benchmark::State &state) {
    QImage image(ScreenWidth, ScreenHeight, QImage::Format_ARGB32_Premultiplied);
    const int lineHeight = QFontMetrics(HexFont()).height();
    const std::vector<Row> rows = ScreenRows(lineHeight);
    for (auto _ : state) {
        hx::Drawing d(image);
        d.box(0, 0, ScreenWidth, ScreenHeight, hx::RGBA(255, 255, 255));
        d.setFont(HexFont());
        int y = 0;
        for (const Row &row : rows) {
            d.text(4, y, row.offset, hx::RGBA(0, 0, 0));
            d.text(100, y, row.hex, hx::RGBA(0, 0, 0));
            d.textLatin1(520, y, row.bytes.data(), static_cast<int>(row.bytes.size()), hx::RGBA(0, 0, 0));
            y += lineHeight;
        }
    }
    state.counters["rows"] = static_cast<double>(rows.size());
}
BENCHMARK(HexRowsThroughDrawing)->Unit(benchmark::kMillisecond);

void HexRowsReference(benchmark::State &state) {
    QImage image(ScreenWidth, ScreenHeight, QImage::Format_ARGB32_Premultiplied);
    const QFont font = HexFont();
    const int lineHeight = QFontMetrics(font).height();
    const std::vector<Row> rows = ScreenRows(lineHeight);
    for (auto _ : state) {
        QPainter p(&image);
        p.fillRect(0, 0, ScreenWidth, ScreenHeight, Qt::white);
        p.setFont(font);
        p.setPen(Qt::black);
        const int ascent = p.fontMetrics().ascent();
        int y = 0;
        for (const Row &row : rows) {
            p.drawText(4, y + ascent, QString::fromUtf8(row.offset.data(), static_cast<qsizetype>(row.offset.size())));
            p.drawText(100, y + ascent, QString::fromUtf8(row.hex.data(), static_cast<qsizetype>(row.hex.size())));
            p.drawText(520, y + ascent, QString::fromLatin1(row.bytes.data(), static_cast<qsizetype>(row.bytes.size())));
            y += lineHeight;
        }
    }
}
BENCHMARK(HexRowsReference)->Unit(benchmark::kMillisecond);

// Match marks: many small blended boxes.
void MarksThroughDrawing(benchmark::State &state) {
    QImage image(ScreenWidth, ScreenHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        hx::Drawing d(image);
        d.setBlending(true);
        for (int y = 0; y < ScreenHeight; y += 16)
            for (int x = 0; x < 16 * 24; x += 24)
                d.box(x, y + 14, 20, 2, hx::RGBA(0, 0, 255, 128));
    }
}
BENCHMARK(MarksThroughDrawing)->Unit(benchmark::kMicrosecond);

void MarksReference(benchmark::State &state) {
    QImage image(ScreenWidth, ScreenHeight, QImage::Format_ARGB32_Premultiplied);
    const QColor colour(0, 0, 255, 128);
    for (auto _ : state) {
        QPainter p(&image);
        for (int y = 0; y < ScreenHeight; y += 16)
            for (int x = 0; x < 16 * 24; x += 24)
                p.fillRect(x, y + 14, 20, 2, colour);
    }
}
BENCHMARK(MarksReference)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
