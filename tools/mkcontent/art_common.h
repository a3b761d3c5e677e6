// Drawing helpers shared by the picture makers of mkcontent: colours, fonts, the colour key.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <functional>
#include <string>

namespace tressmoor::mkcontent {

/// Receives one finished picture under the file name a data file gives it.
using ImageSink = std::function<void(const std::string& name, const QImage& image)>;

/// The transparent colour of every sprite picture. The program takes a sprite's transparent
/// colour from its bottom-left pixel, so every sprite picture has this colour there (and
/// wherever it should be see-through); opaque pictures lose just that one corner pixel.
inline const QColor kKey(255, 0, 255);

/// A fully see-through picture of the given size to draw a sprite on; markKeyCorner turns it
/// into a colour-keyed picture.
QImage keyedImage(int width, int height);

/// Finishes a sprite picture: see-through pixels (less than half covered) take the colour key,
/// the others their own colour, fully opaque; the bottom-left pixel carries the key.
void markKeyCorner(QImage& image);

/// The Japanese UI font at a pixel size (IPAGothic, loaded from its file when fontconfig does not
/// offer it to the offscreen platform).
QFont japaneseFont(int pixelSize, bool bold = false);

/// Draws text centred in a rectangle.
void drawCentred(QPainter& p, const QRectF& r, const QString& text, const QColor& colour,
                 int pixelSize, bool bold = false);

/// Number of cells in a row of an image strip picture: cells run left to right, then top to
/// bottom; a picture holds `cells` cells in rows of at most `perRow`.
QImage stripImage(int cells, int perRow, int cellWidth, int cellHeight);
/// Top-left corner of cell `index` in a strip made by stripImage.
QPoint cellOrigin(int index, int perRow, int cellWidth, int cellHeight);

}  // namespace tressmoor::mkcontent
