// Painting the image view with a 24-megapixel photograph in it, the view
// as large as the window's (732 x 551): at fit, where every pixel of the
// picture is averaged into the view, at 50 % and from 100 % up, where whole
// pixels are copied; upright and turned by an EXIF orientation. Run with
// QT_SCALE_FACTOR=2 for a screen of twice the density (four times the
// device pixels to make).
#include "bench/SyntheticPhoto.h"
#include "ui/CImageView.h"
#include "session/Zoom.h"
#include "ui/ImageViewLayout.h"

#include <QApplication>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace fovella;

std::shared_ptr<const DibImage> Photo24MP()
{
    static const auto photo = [] {
        auto picture = std::make_shared<DibImage>(bench::SyntheticPhoto(6000, 4000));
        picture->ConvertPixelType(Bgr);  // as the window holds pictures
        return picture;
    }();
    return photo;
}

// Zoom 0 stands for fit.
void BM_PaintView24MP(benchmark::State& state)
{
    QWidget window;
    window.resize(800, 600);
    auto* view = new CImageView(&window);
    view->Create(QRect(10, 10, 732, 551));
    window.show();
    QApplication::processEvents();
    view->SetOrientation(int(state.range(1)));
    const QSize upright(state.range(1) >= 5 ? 4000 : 6000, state.range(1) >= 5 ? 6000 : 4000);
    const QRect full = view->GetFullClientRect();
    const double zoom = state.range(0) ? state.range(0) / 100.0
                                       : FitRatio(full.width(), full.height(), upright.width(), upright.height());
    view->SetImage(Photo24MP(), zoom, 1.0, true);
    for (auto _ : state)
        view->viewport()->repaint();
    state.SetLabel((state.range(0) ? std::to_string(state.range(0)) + "%" : std::string("fit")) + ", orientation " +
                   std::to_string(state.range(1)) + ", device pixel ratio " +
                   std::to_string(view->devicePixelRatio()));
}
BENCHMARK(BM_PaintView24MP)
    ->Args({0, 1})
    ->Args({0, 6})
    ->Args({50, 1})
    ->Args({100, 1})
    ->Args({100, 6})
    ->Args({500, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
