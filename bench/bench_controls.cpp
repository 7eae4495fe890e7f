// Repaint cost of the skinned controls laid out like the main window: a 328x245 window with a
// logo, a title, a close button, two text-over-image lines, four push buttons and the device
// list with its skinned header. Runs on the offscreen platform; nothing is shown.

#include "controls/ShowImageCtrl.h"
#include "controls/ShowTextCtrl.h"
#include "controls/ShowTextImageCtrl.h"
#include "controls/StandardButton.h"
#include "controls/StandardListCtrl.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>

#include <vector>

namespace {

QString WritePicture(const QTemporaryDir& dir, const QString& name, QSize size, QColor colour)
{
    QImage picture(size, QImage::Format_ARGB32);
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), colour);
    painter.setPen(colour.darker());
    for (int x = 0; x < size.width(); x += 7)
        painter.drawLine(x, 0, x, size.height());
    painter.end();
    const QString path = dir.filePath(name);
    picture.save(path);
    return path;
}

// The window paints its background picture, then lets every skinned button and display
// control copy the pixels under it, as the skinned dialogs do.
class BenchWindow : public QWidget
{
public:
    explicit BenchWindow(const QImage& picture) : background(picture)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(328, 245);
    }

    std::vector<std::pair<QWidget*, CBasicPropertyFrame*>> seeThrough;

protected:
    void paintEvent(QPaintEvent*) override
    {
        // The window's only layer is its background picture, so the picture itself is the
        // surface that the controls copy from.
        QPainter(this).drawImage(QPoint(0, 0), background);
        for (auto [control, frame] : seeThrough)
            frame->CaptureParentBackground(background, control, this);
    }

private:
    QImage background;
};

struct MainWindowLayout
{
    QTemporaryDir dir;
    BenchWindow window{QImage(WritePicture(dir, "back.png", {328, 245}, QColor(6, 65, 105)))};
    CStandardListCtrl* list = nullptr;
    CStandardButton* logIn = nullptr;

    template <typename Control>
    Control* Add(QRect rect, const QString& image, int states, const QString& text, QPoint offset,
                 int fontSize)
    {
        auto* control = new Control(&window);
        control->setGeometry(rect);
        control->nPaintMode = kPaintParentBackground;
        if (!image.isEmpty())
            control->SetStateImage(image, states, 0, 0);
        control->SetDrawText(text, offset.x(), offset.y());
        control->SetDrawFont(QStringLiteral("Tahoma"), fontSize);
        control->clrText = 0xFFF4F5F7;
        window.seeThrough.emplace_back(control, control);
        return control;
    }

    MainWindowLayout()
    {
        const QString logo = WritePicture(dir, "logo.png", {16, 16}, Qt::white);
        const QString close = WritePicture(dir, "close.png", {44, 11}, Qt::red);
        const QString brush = WritePicture(dir, "Brush.png", {12, 12}, Qt::yellow);
        const QString button = WritePicture(dir, "ButtonMax.png", {316, 23}, QColor(40, 120, 200));
        Add<CShowImageCtrl>({7, 7, 16, 16}, logo, 1, {}, {}, 12);
        Add<CShowTextCtrl>({30, 4, 270, 25}, {}, 1, QStringLiteral("Travelkin"), {}, 21);
        Add<CStandardButton>({300, 10, 11, 11}, close, 4, {}, {}, 12);
        Add<CShowTextImageCtrl>({15, 32, 200, 15}, {}, 1, QStringLiteral("Device List"), {13, 2}, 12);
        Add<CShowTextImageCtrl>({10, 194, 280, 15}, brush, 1,
                                QStringLiteral("Searching new devices,please wait 7s..."), {15, 1}, 12);
        logIn = Add<CStandardButton>({18, 210, 79, 23}, button, 4, QStringLiteral("Log In"), {0, 6}, 12);
        Add<CStandardButton>({127, 210, 79, 23}, button, 4, QStringLiteral("Refresh"), {0, 6}, 12);
        Add<CStandardButton>({228, 210, 79, 23}, button, 4, QStringLiteral("My Storage"), {0, 6}, 12);

        list = new CStandardListCtrl(&window);
        list->setGeometry(10, 50, 308, 141);
        list->nPaintMode = kPaintBorder;
        list->clrBorder = 0xFF7E9DB9;
        list->SetExtendedStyle(ListGridLines | ListFullRowSelect);
        list->Header().SetStateImage(
            WritePicture(dir, "headerbackground.png", {400, 30}, QColor(80, 110, 140)), 1, 0, 0);
        list->SetSeparatorImage(WritePicture(dir, "headerclip.png", {2, 12}, Qt::white));
        list->SetHeaderFont(QStringLiteral("Tahoma"), 12);
        list->SetHeaderTextColor(QStringLiteral("244,245,247"));
        list->Header().SetHeightScale(0.9f);
        list->InsertColumn(0, QStringLiteral("Host Name"), Qt::AlignLeft, 96);
        list->InsertColumn(1, QStringLiteral("IP Address"), Qt::AlignCenter, 122);
        list->InsertColumn(2, QStringLiteral("Devcie Type"), Qt::AlignCenter, 93);
        for (int row = 0; row < 5; ++row)
            list->InsertItem(0, {QStringLiteral("nas-%1").arg(row),
                                 QStringLiteral("192.0.2.%1").arg(row + 10), QStringLiteral("HomeNas")});
        window.show();
    }
};

MainWindowLayout& Layout()
{
    static MainWindowLayout* layout = new MainWindowLayout(); // lives until the program ends
    return *layout;
}

// Renders `widget` and its children into an image of its size, once per iteration.
void RenderRepeatedly(benchmark::State& state, QWidget& widget)
{
    QImage target(widget.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        widget.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_FullWindowRepaint(benchmark::State& state)
{
    RenderRepeatedly(state, Layout().window);
}
BENCHMARK(BM_FullWindowRepaint)->Unit(benchmark::kMicrosecond);

void BM_PushButtonRepaint(benchmark::State& state)
{
    RenderRepeatedly(state, *Layout().logIn);
}
BENCHMARK(BM_PushButtonRepaint)->Unit(benchmark::kMicrosecond);

void BM_DeviceListRepaint(benchmark::State& state)
{
    RenderRepeatedly(state, *Layout().list);
}
BENCHMARK(BM_DeviceListRepaint)->Unit(benchmark::kMicrosecond);

// The parts of the list: header, rows and the horizontal scroll bar (the columns are wider
// than the list, as in the main window).
void BM_ListHeaderRepaint(benchmark::State& state)
{
    RenderRepeatedly(state, Layout().list->Header());
}
BENCHMARK(BM_ListHeaderRepaint)->Unit(benchmark::kMicrosecond);

void BM_ListRowsRepaint(benchmark::State& state)
{
    RenderRepeatedly(state, *Layout().list->viewport());
}
BENCHMARK(BM_ListRowsRepaint)->Unit(benchmark::kMicrosecond);

void BM_ListScrollBarRepaint(benchmark::State& state)
{
    RenderRepeatedly(state, *Layout().list->horizontalScrollBar());
}
BENCHMARK(BM_ListScrollBarRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
