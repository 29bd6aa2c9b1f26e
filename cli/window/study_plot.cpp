#include "cli/window/study_plot.h"

#include <QApplication>
#include <QAreaSeries>
#include <QBuffer>
#include <QChart>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <strings.h>

#include "cli/window/offscreen.h"

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 600;

bool EndsWith(const std::string& path, const char* extension)
{
    return path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, extension) == 0;
}

// The toolkit's application object, offscreen; it lives as long as the process.
void StartToolkit()
{
    if (QApplication::instance())
        return;
    UseOffscreenToolkit();
    static int argc = 1;
    static char name[] = "kvs";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// A line of means and, under it, the band from the smallest to the largest
// trial in the same colour, lighter.
void AddMeasure(QChart* chart, const std::vector<LevelSummary>& summaries, Summary LevelSummary::*measure,
                const QString& name, const QColor& colour, Qt::PenStyle style)
{
    auto* lows = new QLineSeries(chart);
    auto* highs = new QLineSeries(chart);
    auto* means = new QLineSeries(chart);
    for (const LevelSummary& level : summaries) {
        const Summary& s = level.*measure;
        lows->append(level.noise, s.min);
        highs->append(level.noise, s.max);
        means->append(level.noise, s.mean);
    }
    auto* band = new QAreaSeries(highs, lows);
    QColor fill = colour;
    fill.setAlpha(60);
    band->setBrush(fill);
    band->setPen(QPen(fill, 1));
    band->setName(name + " min–max");
    means->setName(name + " mean");
    means->setPen(QPen(colour, 2.5, style));
    means->setPointsVisible(true);
    chart->addSeries(band);
    chart->addSeries(means);
}

void AttachAxes(QChart* chart, const std::vector<LevelSummary>& summaries)
{
    int32_t highest = 0;
    for (const LevelSummary& level : summaries)
        highest = std::max(highest, level.noise);
    auto* x = new QValueAxis(chart);
    x->setRange(0, std::max(1, highest));
    x->setLabelFormat("%d");
    x->setTitleText("noise level (standard deviation, coordinate units)");
    auto* y = new QValueAxis(chart);
    y->setRange(0, 1.05);
    y->setTickCount(8);
    y->setLabelFormat("%.2f");
    y->setTitleText("share of the subset / of the copies");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
}

} // namespace

bool IsPlotFileName(const std::string& path)
{
    return EndsWith(path, ".png") || EndsWith(path, ".svg");
}

ToolError RenderStudyPlot(const std::vector<LevelSummary>& summaries, const std::string& caption,
                          const std::string& path, std::string& bytes)
{
    StartToolkit();
    QGraphicsScene scene;
    auto* chart = new QChart();
    scene.addItem(chart); // the scene owns the chart from here
    chart->setTitle(QString::fromStdString(caption));
    chart->setGeometry(0, 0, kWidth, kHeight);
    chart->setBackgroundRoundness(0);
    AddMeasure(chart, summaries, &LevelSummary::precision, "precision", QColor(31, 119, 180), Qt::SolidLine);
    AddMeasure(chart, summaries, &LevelSummary::recall, "recall", QColor(255, 127, 14), Qt::DashLine);
    AttachAxes(chart, summaries);
    chart->legend()->setAlignment(Qt::AlignBottom);
    scene.setSceneRect(0, 0, kWidth, kHeight);
    // The chart lays out its axes, legend and plot area from posted events.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    bool painted = false;
    if (EndsWith(path, ".svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(kWidth, kHeight));
        svg.setViewBox(QRect(0, 0, kWidth, kHeight));
        svg.setTitle(QString::fromStdString(caption));
        QPainter painter;
        if ((painted = painter.begin(&svg))) {
            scene.render(&painter);
            painted = painter.end();
        }
    } else {
        QImage image(kWidth, kHeight, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        scene.render(&painter);
        painter.end();
        painted = image.save(&buffer, "PNG");
    }
    if (!painted)
        return RunFailure("cannot draw the plot for '" + path + "'");
    bytes.assign(encoded.constData(), size_t(encoded.size()));
    return {};
}
