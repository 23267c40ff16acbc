#include "pictures/imageconvert.h"

#include <QPainter>

#include <utility>
#include <vector>

namespace ImageConvert {

int luminance(QRgb pixel)
{
    return (299 * qRed(pixel) + 587 * qGreen(pixel) + 114 * qBlue(pixel)) / 1000;
}

QImage fitToSlot(const QImage &image, const QSize &size)
{
    if (image.isNull() || size.isEmpty())
        return QImage();
    const QSize fitted = image.size().scaled(size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    const bool shrinking = fitted.width() < image.width() || fitted.height() < image.height();
    const QImage scaled = fitted == image.size() ? image
                                                 : image.scaled(fitted, Qt::IgnoreAspectRatio,
                                                                shrinking ? Qt::SmoothTransformation
                                                                          : Qt::FastTransformation);

    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.drawImage(
            QPoint((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2),
            scaled);
    painter.end();
    return canvas;
}

QImage toMonochrome(const QImage &image, int threshold, bool dither)
{
    if (image.isNull())
        return QImage();
    // Transparent pixels count as the dark background.
    QImage source(image.size(), QImage::Format_RGB32);
    source.fill(Qt::black);
    {
        QPainter painter(&source);
        painter.drawImage(0, 0, image);
    }
    threshold = qBound(0, threshold, 255);

    const int width = source.width();
    QImage out(source.size(), QImage::Format_Mono);
    out.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    out.fill(0);

    // Errors carried into the current and the next row; index x + 1 is column x, so that the
    // neighbours left of column 0 and right of the last column need no checks.
    std::vector<int> current(size_t(width) + 2, 0);
    std::vector<int> next(size_t(width) + 2, 0);
    for (int y = 0; y < source.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        std::fill(next.begin(), next.end(), 0);
        for (int x = 0; x < width; ++x) {
            const int value = luminance(line[x]) + current[size_t(x) + 1];
            const bool lit = value >= threshold;
            if (lit)
                out.setPixel(x, y, 1);
            if (!dither)
                continue;
            // The four shares add up to the whole error, so no brightness is lost to rounding.
            const int error = value - (lit ? 255 : 0);
            const int right = error * 7 / 16;
            const int belowLeft = error * 3 / 16;
            const int below = error * 5 / 16;
            const int belowRight = error - right - belowLeft - below;
            current[size_t(x) + 2] += right;
            next[size_t(x)] += belowLeft;
            next[size_t(x) + 1] += below;
            next[size_t(x) + 2] += belowRight;
        }
        std::swap(current, next);
    }
    return out;
}

QImage toRgb565(const QImage &image)
{
    if (image.isNull())
        return QImage();
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int r = qRed(line[x]) >> 3;
            const int g = qGreen(line[x]) >> 2;
            const int b = qBlue(line[x]) >> 3;
            line[x] = qRgb((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
        }
    }
    return out;
}

} // namespace ImageConvert
