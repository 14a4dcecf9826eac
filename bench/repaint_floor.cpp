// What a window repainting as much as the debug page does while streaming costs with no work of
// its own: the price of the toolkit's repaint and of reaching the screen, against which the
// program's own figure (bench/stream_cpu) can be read.
//
// A window of the program's size with three list-sized and one chart-sized opaque widget, each
// showing a kept picture. Every 25 ms two of the lists repaint a band of 48 x 104 pixels (eight
// numbers) and the chart repaints sixteen strips of about 11,000 pixels in all (eight curves near
// zero), as the program does at the link's full speed; the terminal named on the command line is
// read and its bytes dropped as they arrive.
//
//   bench_repaint_floor [TERMINAL]      (bench/stream_cpu -F runs it in the program's place)
#include <QApplication>
#include <QDialog>
#include <QPaintEvent>
#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>
#include <fcntl.h>
#include <unistd.h>

namespace {

class Picture : public QWidget {
public:
    Picture(QWidget* parent, const QRect& geometry) : QWidget(parent), m_picture(geometry.size(), QImage::Format_RGB32)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setGeometry(geometry);
        m_picture.fill(Qt::white);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        for (const QRect& r : event->region())
            painter.drawImage(r.topLeft(), m_picture, r);
    }

private:
    QImage m_picture;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog window;
    window.setWindowTitle(QStringLiteral("repaint floor"));
    window.resize(1062, 672);
    Picture* lists[3];
    for (int i = 0; i < 3; ++i)
        lists[i] = new Picture(&window, QRect(793, 66 + i * 147, 235, 137));
    auto* chart = new Picture(&window, QRect(264, 356, 500, 150));
    QRegion strips;
    for (int i = 0; i < 16; ++i)
        strips += QRect(32 + i * 27, 48 + (i % 3) * 4, 27, 24 + (i % 4) * 3);

    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        for (Picture* list : {lists[0], lists[2]})
            list->update(QRect(100, 20, 48, 104));
        chart->update(strips);
    });
    tick.start(25);

    const int fd = argc > 1 ? ::open(argv[1], O_RDONLY | O_NOCTTY | O_NONBLOCK) : -1;
    if (fd >= 0) {
        auto* reader = new QSocketNotifier(fd, QSocketNotifier::Read, &app);
        QObject::connect(reader, &QSocketNotifier::activated, [fd] {
            char bytes[4096];
            while (::read(fd, bytes, sizeof bytes) > 0) {
            }
        });
    }
    window.show();
    return app.exec();
}
