// What a user of the window waits for, with a 24-megapixel JPEG photograph
// open (offscreen): opening it, one preview update (reduce, remap, show),
// every zoom step, "Show Original", the full-size Undistort and "Undistort
// Dir" over a folder of such photographs. Each figure includes painting the
// view that changed.
//
//   QT_QPA_PLATFORM=offscreen build/bench/fovella-window-bench
#include "bench/SyntheticPhoto.h"
#include "codecs/ImageFile.h"
#include "image/DibImage.h"
#include "ui/CCorrectorDlg.h"
#include "ui/CImageView.h"
#include "framework/PlatformServices.h"
#include "session/Zoom.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace {

using namespace fovella;

// Answers nothing: the benchmarks never ask.
class NoServices : public PlatformServices {
public:
    MessageAnswer ShowMessage(const std::string&, const std::string&, MessageIcon, MessageButtons,
                              MessageExtras*) override
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
    const double zoom = kZoomStepsPercent[std::size_t(state.range(0))] / 100.0;
    for (auto _ : state) {
        state.PauseTiming();
        window.OnFit();
        state.ResumeTiming();
        window.SetZoom(zoom, false);
        window.View().viewport()->repaint();
    }
    state.SetLabel(std::to_string(kZoomStepsPercent[std::size_t(state.range(0))]) + "%");
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

// "Undistort Dir" over a folder of `range(0)` copies of the photograph, the
// options accepted as offered (results into "undistorted" beside them, made
// anew each round), summary included.
void BM_UndistortDir(benchmark::State& state)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("fovella-window-bench-dir-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (int i = 0; i < state.range(0); ++i)
        std::filesystem::copy_file(Photo(), folder / ("p" + std::to_string(i) + ".jpg"),
                                   std::filesystem::copy_options::overwrite_existing);
    CCorrectorDlg& window = Window();
    window.OpenImageFile((folder / "p0.jpg").string());
    Control<QLineEdit>(window, kFocalEdit)->setText("5.8");
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder / "undistorted");
        state.ResumeTiming();
        QTimer::singleShot(0, [] { Control<QAbstractButton>(*QApplication::activeModalWidget(), kIdOk)->click(); });
        window.OnUndistortDir();
    }
    std::filesystem::remove_all(folder);
    window.OpenImageFile(Photo());
}
BENCHMARK(BM_UndistortDir)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
