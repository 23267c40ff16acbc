#ifndef RESOURCES_ART_PIXELFONT_H
#define RESOURCES_ART_PIXELFONT_H

#include <QColor>
#include <QPointF>
#include <QString>

class QPainter;

// A built-in 5 x 7 pixel font, so that the artwork never depends on the fonts of the machine
// that builds it. Every glyph is 5 columns by 7 rows; glyphs are set one blank column apart.
namespace PixelFont {

constexpr int glyphWidth = 5;
constexpr int glyphHeight = 7;
constexpr int advance = glyphWidth + 1;

enum class Dots {
    Square, // each font pixel is a filled square: crisp, for LCD pictures
    Round // each font pixel is a round dot with a small gap: an LED look for large captions
};

// True when the font has a glyph for c.
bool hasGlyph(QChar c);

// Whether the pixel (column, row) of the glyph for c is set; false for unknown characters and
// positions outside the glyph.
bool pixel(QChar c, int column, int row);

// Width and height in device pixels of text drawn with the given scale (font pixels are
// scale x scale device pixels).
int textWidth(const QString &text, int scale);
inline int textHeight(int scale)
{
    return glyphHeight * scale;
}

// Draws text with its top left corner at topLeft. Characters without a glyph are drawn as a
// hollow box and remembered (see missingCharacters). A heightScale above 0 stretches the font
// pixels to scale x heightScale (a condensed face when it is larger than scale).
void drawText(QPainter &painter, const QPointF &topLeft, const QString &text, int scale,
              const QColor &color, Dots dots = Dots::Square, int heightScale = 0);

// Draws text horizontally centred on centerX.
void drawCentered(QPainter &painter, qreal centerX, qreal top, const QString &text, int scale,
                  const QColor &color, Dots dots = Dots::Square, int heightScale = 0);

// The characters that drawText was asked for but has no glyph for, in order of first use.
QString missingCharacters();

// Checks that every glyph row of the table is well formed; returns a description of the first
// malformed glyph, or an empty string.
QString tableProblem();

} // namespace PixelFont

#endif // RESOURCES_ART_PIXELFONT_H
