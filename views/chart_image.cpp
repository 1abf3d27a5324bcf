#include "chart_image.h"

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>
#include <QWidget>
#include <cstring>
#include <string>

#include "file_system.h"

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
    // As every file of ours is written: a failed write leaves no half picture and no old one
    // replaced, a new file follows the umask, and a failure is told in the system's words.
    const QByteArray target = QFile::encodeName(path);
    storefs::ReplacingWriter file;
    if (file.Begin(std::string(target.constData(), static_cast<size_t>(target.size()))) &&
        file.Write(bytes.constData(), static_cast<size_t>(bytes.size())) && file.Commit())
        return true;
    return fail(QString::fromLocal8Bit(std::strerror(file.Error())));
}

bool CopyChartImage(QWidget* chart) {
    if (chart == nullptr)
        return false;
    QGuiApplication::clipboard()->setImage(ChartImage(chart));
    return true;
}
