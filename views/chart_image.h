// The chart as a picture to paste into a report: a PNG of its pixels, an SVG of its drawing
// (lines and texts stay vector), or an image on the clipboard.
#pragma once

#include <QImage>
#include <QString>

class QWidget;

// The chart window drawn into an image of its size on white.
QImage ChartImage(QWidget* chart);

// Writes the chart to path as PNG or SVG, by the path's suffix (either case). The file is
// written whole or not at all (storefs::ReplacingWriter). False when chart is null, the suffix is
// neither, or the file cannot be written, with the reason in *error when given (the system's
// words for a failed write, such as "No space left on device").
bool SaveChartImage(QWidget* chart, const QString& path, QString* error = nullptr);

// Puts ChartImage on the clipboard; false when chart is null.
bool CopyChartImage(QWidget* chart);
