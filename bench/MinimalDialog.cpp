// The yardstick of the start-up benchmark: the smallest Qt Widgets program that shows a
// window, an empty dialog that reports its first paint the way Travelkin's window does.

#include <QApplication>
#include <QDialog>

#include <cstdio>
#include <ctime>

namespace {

class StampedDialog : public QDialog
{
protected:
    void paintEvent(QPaintEvent* event) override
    {
        QDialog::paintEvent(event);
        if (reported)
            return;
        reported = true;
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::fprintf(stderr, "first-paint %lld%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
        std::fflush(stderr);
    }

private:
    bool reported = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    StampedDialog dialog;
    dialog.resize(328, 245);
    return dialog.exec();
}
