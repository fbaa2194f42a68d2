// Painting cost of the see-through frames and buttons against a plain copy of the same number of
// pixels, measured in the same run. Compare the per-item rates (pixels per second).
#include "BevelDrawing.h"
#include "TktBevelButton.h"
#include "TktMultiBevel.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kFrameWidth = 345, kFrameHeight = 281;
constexpr int kButtonWidth = 109, kButtonHeight = 35;

// A background whose rows vary, so that every band and shadow is mixed pixel by pixel.
QImage Background(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 5 + y) % 256, (y * 9) % 256, (x * 3) % 256));
    return image;
}

void CopyPixels(benchmark::State &state, int pixels)
{
    std::vector<quint32> from(size_t(pixels), 0x336699u);
    std::vector<quint32> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), size_t(pixels) * sizeof(quint32));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * pixels);
}

void BM_MemcpyFrameArea(benchmark::State &state)
{
    CopyPixels(state, kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_MemcpyFrameArea);

// The per-pixel mix of a whole window area, the worst case of the mixing fills.
void BM_BlendRectFrameArea(benchmark::State &state)
{
    QImage image = Background(kFrameWidth, kFrameHeight);
    QPainter painter(&image);
    TCanvas canvas(painter);
    for (auto _ : state) {
        BlendRect(canvas, {0, 0, kFrameWidth - 1, kFrameHeight - 1}, clOlive, 60);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_BlendRectFrameArea);

// The picture frame with a dithered shadow and a see-through band over a varying background.
void BM_PaintFrameWithShadow(benchmark::State &state)
{
    TktMultiBevel frame;
    frame.resize(kFrameWidth, kFrameHeight);
    frame.SetBevelWidth(2);
    frame.SetBorderWidth(1);
    frame.SetShadowed(true);
    frame.SetShadowOffsetX(2);
    frame.SetShadowOffsetY(2);
    frame.SetTransparence(TktMBevel::trSemi);
    QImage image = Background(kFrameWidth, kFrameHeight);
    QPainter painter(&image);
    for (auto _ : state) {
        TCanvas canvas(painter);
        frame.Paint(canvas);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_PaintFrameWithShadow);

// A portrait frame whose bevel is 1, 49, 1000 or 2^31 - 1 pixels wide, with cut corners pointing
// outwards: only the rings that cross the frame may cost anything, so the widest must stay close
// to the 1000-pixel one.
void BM_PaintPortraitRings(benchmark::State &state)
{
    TktMultiBevel frame;
    frame.resize(kFrameWidth, kFrameHeight);
    frame.SetShape(TktMBevel::bspPortrait);
    frame.SetBevelInner(TktMBevel::bstNone);
    frame.SetEdgeSize(-60);
    frame.SetBevelWidth(int(state.range(0)));
    QImage image = Background(kFrameWidth, kFrameHeight);
    QPainter painter(&image);
    for (auto _ : state) {
        TCanvas canvas(painter);
        frame.Paint(canvas);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_PaintPortraitRings)->Arg(1)->Arg(49)->Arg(1000)->Arg(2147483647)->ArgName("bevel");

void BM_MemcpyButtonArea(benchmark::State &state)
{
    CopyPixels(state, kButtonWidth * kButtonHeight);
}
BENCHMARK(BM_MemcpyButtonArea);

// "Close and exit" at rest (0), under the mouse (1) and pressed (2); with its caption (1) or
// without (0), which separates the text rendering from the pixel work.
void BM_PaintButton(benchmark::State &state)
{
    const TktMBevel::TBevelStyle outer[] = {TktMBevel::bstNone, TktMBevel::bstRaised, TktMBevel::bstLowered};
    TktBevelButton button;
    button.resize(kButtonWidth, kButtonHeight);
    button.SetBevelInner(TktMBevel::bstRaised);
    button.SetBorderWidth(2);
    button.SetColorDensity(50);
    button.SetTransparence(TktMBevel::trSemi);
    button.SetBevelOuter(outer[state.range(0)]);
    QFont font("Liberation Sans");
    font.setPixelSize(13);
    font.setBold(true);
    button.setFont(font);
    button.SetCaption(state.range(1) ? "Close and exit" : "");
    QImage image = Background(kButtonWidth, kButtonHeight);
    QPainter painter(&image);
    for (auto _ : state) {
        TCanvas canvas(painter);
        button.Paint(canvas);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kButtonWidth * kButtonHeight);
}
BENCHMARK(BM_PaintButton)->ArgsProduct({{0, 1, 2}, {1, 0}})->ArgNames({"state", "caption"});

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
