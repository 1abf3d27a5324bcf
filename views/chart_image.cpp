#include "chart_image.h"

#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWidget>

QImage ChartImage(QWidget* chart) {
    if (chart == nullptr)
        return QImage();
    QImage image(chart->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    chart->render(&image);
    return image;
}

bool SaveChartImage(QWidget* chart, const QString& path, QString* error) {
    auto fail = [error](const QString& reason) {
        if (error != nullptr)
            *error = reason;
        return false;
    };
    if (chart == nullptr)
        return fail(QStringLiteral("no chart"));
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (suffix == QLatin1String("png")) {
        if (!ChartImage(chart).save(&buffer, "PNG"))
            return fail(QStringLiteral("the image could not be encoded"));
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(chart->size());
        svg.setViewBox(QRect(QPoint(0, 0), chart->size()));
        svg.setTitle(chart->windowTitle());
        QPainter painter(&svg);
        chart->render(&painter);
        painter.end();
    } else {
        return fail(QStringLiteral("not a .png or .svg name"));
    }
    // Through a save file, so a failed write leaves no half picture and no old one replaced.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    return fail(file.errorString());
}

bool CopyChartImage(QWidget* chart) {
    if (chart == nullptr)
        return false;
    QGuiApplication::clipboard()->setImage(ChartImage(chart));
    return true;
}
