// Repainting the task list costs what its visible rows cost, however long the list is:
// compare a list of 20 tasks with one of 10,000, at the top and scrolled to the middle.

#include "controls/ShowTaskListCtrl.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>

namespace {

constexpr int kColumns = 17;
const QString kStatuses = QStringLiteral("RWSCPEJD");

int ColumnWidth(int column)
{
    switch (column) {
    case 0:
        return 40;
    case 1:
        return 220;
    case 2:
        return 30;
    case 5:
        return 50;
    case 6:
        return 120;
    case 14:
        return 60;
    default:
        return 0;
    }
}

QImage SolidImage(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

void SetUpList(CShowTaskListCtrl& list, int rows)
{
    list.setGeometry(0, 0, 600, 400);
    for (int column = 0; column < kColumns; ++column)
        list.InsertColumn(column, QString::number(column), Qt::AlignLeft, ColumnWidth(column));
    list.pImage = SolidImage(7 * 16, 16, 0xFF3070C0);
    list.nStateCount = 7;
    list.MeasureImage();
    list.SetProgressImages(SolidImage(100, 14, 0xFFCCCCCC), SolidImage(100, 14, 0xFF30A030));
    list.SetProgressPlacement(10, 8, 100, 14);
    for (int row = 0; row < rows; ++row) {
        QStringList texts;
        for (int column = 0; column < kColumns; ++column)
            texts << QString();
        texts[1] = QStringLiteral("Copying holiday pictures, part %1, to the storage device").arg(row);
        texts[2] = kStatuses.at(row % kStatuses.size());
        texts[5] = QString::number(row % 101);
        texts[14] = row % 3 == 0 ? QStringLiteral("1") : QString();
        list.InsertItem(row, texts);
    }
    list.SetItemSelected(rows / 2, true);
}

// range(0): rows; range(1): 1 to scroll to the middle first.
void BM_TaskListRepaint(benchmark::State& state)
{
    QWidget parent;
    parent.resize(620, 420);
    auto* list = new CShowTaskListCtrl(&parent);
    SetUpList(*list, static_cast<int>(state.range(0)));
    parent.show();
    if (state.range(1) != 0)
        list->ScrollBy(Qt::Vertical, list->GetScrollInfo(Qt::Vertical).nMax / 2);

    QImage surface(list->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        list->render(&surface);
        benchmark::DoNotOptimize(surface.constBits());
    }
    state.SetLabel(std::to_string(state.range(0)) + " rows" + (state.range(1) ? ", middle" : ", top"));
}
BENCHMARK(BM_TaskListRepaint)
    ->Args({20, 0})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
