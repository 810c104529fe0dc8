// What a user of the window waits for, with a 24-megapixel JPEG photograph
// open (offscreen): opening it (to its first look and to the whole picture),
// "->" to a neighbour read ahead, one preview update (reduce, remap, show),
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

// Answers No to every question and the chooser of "&Open" with `openAnswer`.
class NoServices : public PlatformServices {
public:
    MessageAnswer ShowMessage(const std::string&, const std::string&, MessageIcon, MessageButtons,
                              MessageExtras*) override
    {
        return MessageAnswer::No;
    }
    bool AskOpenFileName(const FileDialogRequest&, std::string& path) override
    {
        path = openAnswer;
        return !path.empty();
    }
    bool AskSaveFileName(const FileDialogRequest&, std::string&) override { return false; }
    bool BrowseForFolder(const std::string&, std::string&) override { return false; }
    bool OpenUrl(const std::string&) override { return false; }
    void ShowHelp() override {}

    std::string openAnswer;
};

NoServices& Services()
{
    static NoServices services;
    return services;
}

// A folder of the benchmark's own, removed at the end.
std::filesystem::path Folder(const std::string& name)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("fovella-window-bench-" + std::to_string(::getpid())) / name;
    std::filesystem::create_directories(folder);
    return folder;
}

// A 6000 x 4000 photograph-like JPEG (gradients and noise, quality 92),
// alone in its folder: no neighbour is read ahead beside it.
const std::string& Photo()
{
    static const std::string path = [] {
        const std::string file = (Folder("alone") / "photo.jpg").string();
        ImageFile().Save(file, bench::SyntheticPhoto(6000, 4000), Jpeg, 92, 0);
        std::atexit([] { std::filesystem::remove_all(Folder("alone").parent_path()); });
        return file;
    }();
    return path;
}

// Until the picture being opened is current, as the window's event loop does it.
void WaitForReading(CCorrectorDlg& window)
{
    while (window.Session().Pending())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The window with the photograph open and corrected at 5.8 mm.
CCorrectorDlg& Window()
{
    static CCorrectorDlg* window = [] {
        auto* dialog = new CCorrectorDlg(Services());
        dialog->Initialise();
        dialog->show();
        dialog->OpenImageFile(Photo());
        dialog->FinishOpen();
        Control<QLineEdit>(*dialog, kFocalEdit)->setText("5.8");
        dialog->OnUndistort();
        QApplication::processEvents();
        return dialog;
    }();
    return *window;
}

// "&Open", the photograph chosen, to the first paint of its first look.
void BM_OpenFirstPaint24MP(benchmark::State& state)
{
    CCorrectorDlg& window = Window();
    Services().openAnswer = Photo();
    for (auto _ : state) {
        window.OnOpen();
        window.View().viewport()->repaint();
        state.PauseTiming();
        window.FinishOpen();
        state.ResumeTiming();
    }
    window.OnUndistort();
}
BENCHMARK(BM_OpenFirstPaint24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// "&Open" to the first paint of the whole picture, fitted and previewed,
// the window's event loop running meanwhile.
void BM_OpenFull24MP(benchmark::State& state)
{
    CCorrectorDlg& window = Window();
    Services().openAnswer = Photo();
    for (auto _ : state) {
        window.OnOpen();
        window.View().viewport()->repaint();
        WaitForReading(window);
        window.View().viewport()->repaint();
    }
    window.OnUndistort();
}
BENCHMARK(BM_OpenFull24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// "->" through a folder of ten copies of the photograph to the first paint
// of the next, once the neighbours were read ahead (as they are while the
// user looks at a picture).
void BM_BrowseNext24MP(benchmark::State& state)
{
    const std::filesystem::path folder = Folder("browse");
    for (int i = 0; i < 10; ++i)
        std::filesystem::copy_file(Photo(), folder / ("p" + std::to_string(i) + ".jpg"),
                                   std::filesystem::copy_options::overwrite_existing);
    CCorrectorDlg& window = Window();
    for (auto _ : state) {
        state.PauseTiming();
        if (!window.Session().HasNext() || window.Session().Path().str().find("browse") == std::string::npos) {
            window.OpenFromOutside((folder / "p0.jpg").string());
            window.FinishOpen();
        }
        window.Session().Loader().WaitIdle();
        state.ResumeTiming();
        window.OnNext();
        window.View().viewport()->repaint();
    }
    window.OpenImageFile(Photo());
    window.FinishOpen();
    window.OnUndistort();
}
BENCHMARK(BM_BrowseNext24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    const std::filesystem::path folder = Folder("dir");
    for (int i = 0; i < state.range(0); ++i)
        std::filesystem::copy_file(Photo(), folder / ("p" + std::to_string(i) + ".jpg"),
                                   std::filesystem::copy_options::overwrite_existing);
    CCorrectorDlg& window = Window();
    window.OpenImageFile((folder / "p0.jpg").string());
    window.FinishOpen();
    Control<QLineEdit>(window, kFocalEdit)->setText("5.8");
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder / "undistorted");
        state.ResumeTiming();
        QTimer::singleShot(0, [] { Control<QAbstractButton>(*QApplication::activeModalWidget(), kIdOk)->click(); });
        window.OnUndistortDir();
    }
    window.OpenImageFile(Photo());
    window.FinishOpen();
    std::filesystem::remove_all(folder);
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
