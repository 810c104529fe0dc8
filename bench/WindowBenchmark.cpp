// What a user of the window waits for, with a 24-megapixel JPEG photograph
// open (offscreen): opening it, one preview update (reduce, remap, show),
// every zoom step, "Show Original" and the full-size Undistort. Each figure
// includes painting the view that changed.
//
//   QT_QPA_PLATFORM=offscreen build/bench/fovella-window-bench
#include "bench/SyntheticPhoto.h"
#include "codecs/ImageFile.h"
#include "image/DibImage.h"
#include "ui/CCorrectorDlg.h"
#include "ui/CImageView.h"
#include "framework/PlatformServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace {

using namespace fovella;

constexpr int kZoomSteps[] = {1, 2, 3, 4, 5, 6, 8, 12, 17, 25, 33, 50, 67, 100, 125, 150, 200, 300, 400, 500};

// Answers nothing: the benchmarks never ask.
class NoServices : public PlatformServices {
public:
    MessageAnswer ShowMessage(const std::string&, const std::string&, MessageIcon, MessageButtons) override
    {
        return MessageAnswer::No;
    }
    bool AskOpenFileName(const FileDialogRequest&, std::string&) override { return false; }
    bool AskSaveFileName(const FileDialogRequest&, std::string&) override { return false; }
    bool BrowseForFolder(const std::string&, std::string&) override { return false; }
    bool OpenUrl(const std::string&) override { return false; }
    void ShowHelp() override {}
};

// A 6000 x 4000 photograph-like JPEG (gradients and noise, quality 92).
const std::string& Photo()
{
    static const std::string path = [] {
        const std::string file =
            (std::filesystem::temp_directory_path() / ("fovella-window-bench-" + std::to_string(::getpid()) + ".jpg"))
                .string();
        ImageFile().Save(file, bench::SyntheticPhoto(6000, 4000), Jpeg, 92, 0);
        std::atexit([] { std::filesystem::remove(Photo()); });
        return file;
    }();
    return path;
}

// The window with the photograph open and corrected at 5.8 mm.
CCorrectorDlg& Window()
{
    static NoServices services;
    static CCorrectorDlg* window = [] {
        auto* dialog = new CCorrectorDlg(services);
        dialog->Initialise();
        dialog->show();
        dialog->OpenImageFile(Photo());
        Control<QLineEdit>(*dialog, kFocalEdit)->setText("5.8");
        dialog->OnUndistort();
        QApplication::processEvents();
        return dialog;
    }();
    return *window;
}

void BM_OpenJpeg24MP(benchmark::State& state)
{
    CCorrectorDlg& window = Window();
    for (auto _ : state) {
        window.OpenImageFile(Photo());
        window.View().viewport()->repaint();
    }
    window.OnUndistort();
}
BENCHMARK(BM_OpenJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PreviewUpdate(benchmark::State& state)
{
    CCorrectorDlg& window = Window();
    for (auto _ : state) {
        window.UpdatePreview();
        window.Preview().viewport()->repaint();
    }
}
BENCHMARK(BM_PreviewUpdate)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the fitted view to step `range(0)` of the zoom table, painted.
void BM_ZoomStep(benchmark::State& state)
{
    CCorrectorDlg& window = Window();
    const double zoom = kZoomSteps[state.range(0)] / 100.0;
    for (auto _ : state) {
        state.PauseTiming();
        window.OnFit();
        state.ResumeTiming();
        window.SetZoom(zoom, false);
        window.View().viewport()->repaint();
    }
    state.SetLabel(std::to_string(kZoomSteps[state.range(0)]) + "%");
}
BENCHMARK(BM_ZoomStep)->DenseRange(0, 19)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShowOriginal(benchmark::State& state)
{
    CCorrectorDlg& window = Window();
    window.SetZoom(2.0, false);
    auto* toggle = Control<QAbstractButton>(window, kShowOriginal);
    for (auto _ : state) {
        toggle->click();
        window.View().viewport()->repaint();
    }
}
BENCHMARK(BM_ShowOriginal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Undistort24MP(benchmark::State& state)
{
    CCorrectorDlg& window = Window();
    for (auto _ : state) {
        window.OnUndistort();
        window.View().viewport()->repaint();
    }
}
BENCHMARK(BM_Undistort24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
