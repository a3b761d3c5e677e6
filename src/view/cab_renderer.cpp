// CabRenderer: loads the panel, lineside and timetable-card pictures of a drive and composes the
// driving window's picture from the state of each frame.
#include "view/cab_renderer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QTransform>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

#include "data/fatal_error.h"
#include "data/line_file.h"
#include "data/path_resolver.h"
#include "sim/sim_state.h"
#include "view/fonts.h"

namespace tressmoor::view {

namespace {

constexpr int kClockFaceSize = 50;  ///< px, square
constexpr int kClockCentre = 25;    ///< px from the face's top left

/// Explanation text: pixel size, outline width and the room kept around it, px.
constexpr int kExplanationPixels = 22;
constexpr int kExplanationMinPixels = 16;
constexpr int kExplanationOutline = 2;
constexpr int kExplanationMargin = 16;

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

/// Turns every pixel of the bottom-left pixel's colour transparent. The result is ARGB32
/// premultiplied, the format the raster engine blends fastest.
QImage colourKeyed(const QImage& loaded) {
    QImage img = loaded.convertToFormat(QImage::Format_ARGB32);
    if (img.isNull() || img.width() == 0 || img.height() == 0) return img;
    const QRgb key = img.pixel(0, img.height() - 1) & RGB_MASK;
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((row[x] & RGB_MASK) == key) row[x] = 0;
        }
    }
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage loadImage(const std::filesystem::path& path) {
    return QImage(QString::fromStdString(path.string()));
}

/// The smallest rectangle holding every pixel that is not fully transparent: drawing only that
/// part saves blending the see-through margins (most of a needle picture) every frame.
QRect coveredRect(const QImage& img) {
    int left = img.width(), right = -1, top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(row[x]) == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

/// Cuts the picture into cells; a cell size of 0 takes the picture's own width or height.
void setCells(const QImage& image, int cellWidth, int cellHeight, int& w, int& h, int& cells) {
    w = cellWidth > 0 ? cellWidth : image.width();
    h = cellHeight > 0 ? cellHeight : image.height();
    cells = w > 0 && h > 0 ? (image.width() / w) * (image.height() / h) : 0;
}

/// Source rectangle of cell `cell`, counted left to right, then top to bottom; empty when the
/// picture has no such cell.
QRect cellRect(int cell, int cellWidth, int cellHeight, int cells, int pictureWidth) {
    if (cell < 0 || cell >= cells) return {};
    const int perRow = std::max(1, pictureWidth / cellWidth);
    return {(cell % perRow) * cellWidth, (cell / perRow) * cellHeight, cellWidth, cellHeight};
}

}  // namespace

CabRenderer::CabRenderer(const sim::LoadedService& service,
                         const std::filesystem::path& programFolder,
                         const std::filesystem::path& trainFolder)
    : service_(&service), panel_(sim::BuildPanelState(service.train.panel, service.train.spec)) {
    registerJapaneseFont();
    loadPanelPictures(trainFolder);
    loadLinesidePictures(programFolder);
    loadStafPictures(programFolder);
    setUpLabels();
}

void CabRenderer::loadPanelPictures(const std::filesystem::path& trainFolder) {
    std::vector<std::pair<std::string, QImage>> loaded;  // several sprites may share a picture
    panelPictures_.reserve(panel_.sprites.size());
    for (const sim::PanelSprite& s : panel_.sprites) {
        auto it = std::find_if(loaded.begin(), loaded.end(),
                               [&](const auto& e) { return e.first == s.file; });
        if (it == loaded.end()) {
            const QImage img = loadImage(data::resolveDataPath(trainFolder, s.file));
            if (img.isNull()) throw data::FatalError(s.file + "の生成エラー");
            loaded.emplace_back(s.file, colourKeyed(img));
            it = std::prev(loaded.end());
        }
        Picture pic;
        pic.image = it->second;
        pic.opaque = s.kind == sim::PanelSpriteKind::Image || s.kind == sim::PanelSpriteKind::Needle
                         ? coveredRect(pic.image)
                         : pic.image.rect();
        const bool strip = s.kind == sim::PanelSpriteKind::Strip;
        setCells(pic.image, strip ? s.patternWidth : 0, strip ? s.patternHeight : 0, pic.cellWidth,
                 pic.cellHeight, pic.cells);
        panelPictures_.push_back(std::move(pic));
    }
}

void CabRenderer::loadLinesidePictures(const std::filesystem::path& programFolder) {
    lineside_ = sim::BuildLinesideSprites(service_->line);
    std::vector<std::pair<std::string, QImage>> loaded;
    linesidePictures_.reserve(lineside_.size());
    for (std::size_t i = 0; i < lineside_.size(); ++i) {
        const sim::LinesideSprite& s = lineside_[i];
        auto it = std::find_if(loaded.begin(), loaded.end(),
                               [&](const auto& e) { return e.first == s.file; });
        if (it == loaded.end()) {
            const std::filesystem::path path = data::resolveDataPath(programFolder, s.file);
            const QImage img = loadImage(path);
            if (img.isNull()) {
                throw data::FatalError(s.error.empty() ? path.string() + data::kFileNotFound
                                                       : s.error);
            }
            loaded.emplace_back(s.file, colourKeyed(img));
            it = std::prev(loaded.end());
        }
        Picture pic;
        pic.image = it->second;
        setCells(pic.image, s.patternWidth, s.patternHeight, pic.cellWidth, pic.cellHeight,
                 pic.cells);
        linesidePictures_.push_back(std::move(pic));
        linesideByItem_[static_cast<std::size_t>(s.item)].push_back(static_cast<int>(i));
    }
}

void CabRenderer::loadStafPictures(const std::filesystem::path& programFolder) {
    const auto& staf = service_->line.Staf;
    // The first and third pictures must exist; the pause picture is shown only when it loads.
    for (std::size_t k : {std::size_t{0}, std::size_t{2}}) {
        if (staf[k].empty()) continue;
        const std::filesystem::path path = data::resolveDataPath(programFolder, staf[k]);
        QImage img = loadImage(path);
        if (img.isNull()) throw data::FatalError(path.string() + data::kFileNotFound);
        if (k == 0) staf_ = img.convertToFormat(QImage::Format_RGB32);
    }
    if (!staf[1].empty()) {
        paused_ = loadImage(data::resolveDataPath(programFolder, staf[1]));
        if (!paused_.isNull()) paused_ = paused_.convertToFormat(QImage::Format_RGB32);
    }
}

void CabRenderer::setUpLabels() {
    for (std::size_t i = 0; i < sim::kStatusLabels.size(); ++i) {
        const sim::LabelLayout& l = sim::kStatusLabels[i];
        Label& label = labels_[i];
        label.rect = QRect(l.left, l.top, l.width, l.height);
        label.font = japaneseFont(l.font, pixelSizeForHeight(l.font, l.fontHeight));
        label.rightAligned = l.rightAligned;
        label.autoSize = l.autoSize;
        label.layout.setTextFormat(Qt::PlainText);
        label.layout.setPerformanceHint(QStaticText::AggressiveCaching);
        // Until the first refresh the labels show their captions.
        setLabelText(label, std::string(l.caption));
    }
}

vehicle::StripCells CabRenderer::stripCells() const {
    const auto cells = [&](sim::PanelItem item) {
        const int i = panel_.index[static_cast<std::size_t>(item)];
        return i < 0 ? 0 : panelPictures_[static_cast<std::size_t>(i)].cells;
    };
    vehicle::StripCells c;
    c.power = cells(sim::PanelItem::NotchImageP);
    c.brake = cells(sim::PanelItem::NotchImageB);
    c.power2 = cells(sim::PanelItem::NotchImageP2);
    c.brake2 = cells(sim::PanelItem::NotchImageB2);
    return c;
}

void CabRenderer::compose(QImage& target, const QImage* video, const sim::SimState& state,
                          const RenderOptions& options) {
    // The target may have more device pixels than logical ones (a scaled or HiDPI window):
    // everything is drawn in logical coordinates and the painter maps them.
    const QSizeF logical = target.deviceIndependentSize();
    if (target.isNull() || target.format() != QImage::Format_RGB32 ||
        std::abs(logical.width() - kWindowWidth) >= 1 ||
        std::abs(logical.height() - kWindowHeight) >= 1) {
        target = QImage(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    }
    QPainter p(&target);
    compose(p, video, state, options);
}

void CabRenderer::compose(QPainter& p, const QImage* video, const sim::SimState& state,
                          const RenderOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    const QRect picture(0, 0, kWindowWidth, kWindowHeight);
    const QRect cabView(0, 0, kCabViewWidth, kCabViewHeight);
    const QRect routeView =
        QRect(0, 0, service_->settings.ViewWidth, service_->settings.ViewHeight) & cabView;
    p.save();
    p.setClipRect(picture);
    const bool opaqueVideo = video != nullptr && !video->isNull() &&
                             video->format() == QImage::Format_RGB32 && !routeView.isEmpty();
    if (opaqueVideo) {
        // The video covers the route view: only the rest needs clearing.
        p.fillRect(QRect(routeView.right() + 1, 0, kWindowWidth - routeView.width(), kWindowHeight),
                   Qt::black);
        p.fillRect(
            QRect(0, routeView.bottom() + 1, routeView.width(), kWindowHeight - routeView.height()),
            Qt::black);
    } else {
        p.fillRect(picture, Qt::black);
    }
    if (video != nullptr && !video->isNull() && !routeView.isEmpty()) {
        if (opaqueVideo) p.setCompositionMode(QPainter::CompositionMode_Source);
        if (video->size() == routeView.size()) {
            p.drawImage(routeView.topLeft(), *video);
        } else {
            p.setRenderHint(QPainter::SmoothPixmapTransform, true);
            p.drawImage(routeView, *video);
            p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        }
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    // The scene ahead: lineside sprites and the explanation text stay inside the route view.
    if (!routeView.isEmpty()) {
        p.setClipRect(routeView);
        drawLineside(p, state, false);
        if (options.explanation) drawExplanation(p, state.Texts.ExplanationText);
    }

    p.setClipRect(cabView);
    drawPanel(p);
    drawLineside(p, state, true);
    drawClock(p);
    p.setClipRect(picture);

    if (!staf_.isNull()) p.drawImage(QPoint(service_->settings.StafLeft, 0), staf_);
    if (options.labels) drawLabels(p, state);
    p.restore();

    times_.composeUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

void CabRenderer::drawLineside(QPainter& p, const sim::SimState& state, bool panelLayer) {
    const sim::LinesideContext context{service_->line, service_->settings};
    for (int item = 0; item < sim::kLinesideItemCount; ++item) {
        const auto& sprites = linesideByItem_[static_cast<std::size_t>(item)];
        if (sprites.empty()) continue;
        if (lineside_[static_cast<std::size_t>(sprites.front())].onPanel != panelLayer) continue;
        const sim::LinesidePlacement at =
            sim::PlaceLineside(static_cast<sim::LinesideItem>(item), context, state);
        if (!at.visible) continue;

        const sim::LinesideSprite& first = lineside_[static_cast<std::size_t>(sprites.front())];
        int index = sprites.front();
        int cell = at.cell;
        if (first.listEntry) {
            // The cell picks the list's picture, which is drawn whole.
            if (at.cell < 0 || at.cell >= static_cast<int>(sprites.size())) continue;
            index = sprites[static_cast<std::size_t>(at.cell)];
            cell = 0;
        }
        const Picture& pic = linesidePictures_[static_cast<std::size_t>(index)];
        const QRect source =
            cellRect(cell, pic.cellWidth, pic.cellHeight, pic.cells, pic.image.width());
        if (source.isEmpty()) continue;
        const int w = source.width();
        const int h = at.height > 0 ? at.height : source.height();
        int x = at.x;
        int y = at.y + (panelLayer ? panel_.shake : 0);
        switch (at.anchor) {
            case sim::SpriteAnchor::TopLeft:
                break;
            case sim::SpriteAnchor::TopRight:
                x -= w;
                break;
            case sim::SpriteAnchor::BottomCentre:
                x -= w / 2;
                y -= h;
                break;
        }
        if (h == source.height()) {
            p.drawImage(QPoint(x, y), pic.image, source);
        } else {
            p.drawImage(QRect(x, y, w, h), pic.image, source);  // a stop line of its thickness
        }
    }
}

void CabRenderer::drawPanel(QPainter& p) {
    const int shake = panel_.shake;
    const std::size_t n = std::min(panel_.sprites.size(), panelPictures_.size());
    for (std::size_t i = 0; i < n; ++i) {
        const sim::PanelSprite& s = panel_.sprites[i];
        if (!s.visible) continue;
        const Picture& pic = panelPictures_[i];
        const QImage& img = pic.image;
        const int y = s.y + shake;
        switch (s.kind) {
            case sim::PanelSpriteKind::Image:
                if (!pic.opaque.isEmpty()) {
                    p.drawImage(QPoint(s.x, y) + pic.opaque.topLeft(), img, pic.opaque);
                }
                break;
            case sim::PanelSpriteKind::Needle: {
                const double degrees = static_cast<double>(s.angle / sim::kNeedleUnitsPerDegree);
                if (pic.opaque.isEmpty()) break;
                if (!std::isfinite(degrees) || degrees == 0) {
                    p.drawImage(QPoint(s.x, y) + pic.opaque.topLeft(), img, pic.opaque);
                    break;
                }
                // Turned about the picture's centre.
                const double cx = s.x + img.width() / 2.0;
                const double cy = y + img.height() / 2.0;
                QTransform t;
                t.translate(cx, cy);
                t.rotate(degrees);
                t.translate(-img.width() / 2.0, -img.height() / 2.0);
                // Combined with the painter's own mapping (a scaled window's).
                p.save();
                p.setTransform(t, true);
                p.setRenderHint(QPainter::SmoothPixmapTransform, true);
                p.drawImage(pic.opaque.topLeft(), img, pic.opaque);
                p.restore();
                break;
            }
            case sim::PanelSpriteKind::Bar: {
                const int w = std::clamp(s.barPixels, 0, img.width());
                if (w > 0) p.drawImage(QPoint(s.x, y), img, QRect(0, 0, w, img.height()));
                break;
            }
            case sim::PanelSpriteKind::Strip: {
                const QRect source =
                    cellRect(s.cell, pic.cellWidth, pic.cellHeight, pic.cells, img.width());
                if (!source.isEmpty()) p.drawImage(QPoint(s.x, y), img, source);
                break;
            }
        }
    }
}

void CabRenderer::drawClock(QPainter& p) {
    const sim::ClockFace& c = panel_.clock;
    if (!c.shown) return;
    if (clockFace_.isNull() || c.second != clockSecond_) {
        if (clockFace_.isNull()) {
            clockFace_ =
                QImage(kClockFaceSize, kClockFaceSize, QImage::Format_ARGB32_Premultiplied);
        }
        clockFace_.fill(Qt::transparent);
        QPainter f(&clockFace_);
        f.setRenderHint(QPainter::Antialiasing, true);
        // The centre of pixel (25, 25), so that upright and level hands are crisp.
        const QPointF centre(kClockCentre + 0.5, kClockCentre + 0.5);
        const auto hand = [&](double degrees, int length, const QPen& pen) {
            const double a = degrees * std::numbers::pi / 180;
            f.setPen(pen);
            f.drawLine(centre, centre + QPointF(length * std::sin(a), -length * std::cos(a)));
        };
        const QColor ink(20, 20, 20);
        hand(c.hourDegrees, c.hourHandLength, QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
        hand(c.minuteDegrees, c.handLength, QPen(ink, 2, Qt::SolidLine, Qt::RoundCap));
        hand(c.secondDegrees, c.handLength, QPen(QColor(200, 30, 30), 1));
        f.end();
        clockSecond_ = c.second;
    }
    p.drawImage(QPoint(c.x, c.y + panel_.shake), clockFace_);
}

QRect CabRenderer::explanationArea() const {
    // Across the route view, clear of the remaining-distance ruler on its right edge, and ending
    // above the place where the stop marker stands when the train is at the stop.
    const auto cellHeightOf = [&](sim::LinesideItem item) {
        const auto& sprites = linesideByItem_[static_cast<std::size_t>(item)];
        return sprites.empty()
                   ? 0
                   : linesidePictures_[static_cast<std::size_t>(sprites.front())].cellHeight;
    };
    const auto cellWidthOf = [&](sim::LinesideItem item) {
        const auto& sprites = linesideByItem_[static_cast<std::size_t>(item)];
        return sprites.empty()
                   ? 0
                   : linesidePictures_[static_cast<std::size_t>(sprites.front())].cellWidth;
    };
    const int ruler = cellWidthOf(sim::LinesideItem::Remain);
    const int right = service_->settings.ViewWidth - kExplanationMargin - (ruler > 0 ? ruler : 0);
    const int bottom = service_->settings.ViewHeight - kExplanationMargin -
                       cellHeightOf(sim::LinesideItem::StopMarker);
    return QRect(QPoint(kExplanationMargin, 0), QPoint(right - 1, bottom - 1));
}

void CabRenderer::drawExplanation(QPainter& p, const std::string& text) {
    if (text.empty()) return;
    const QRect area = explanationArea();
    if (area.width() <= 0 || area.height() <= 0) return;
    if (text != explanationText_ || explanationImage_.isNull()) {
        // Laid out and outlined once per text: white bold italic over a dark outline. A text too
        // long for one line is made smaller (down to kExplanationMinPixels), then wrapped.
        explanationText_ = text;
        const QString q = qs(text);
        QFont font = japaneseFont("Meiryo", kExplanationPixels);
        font.setBold(true);
        font.setItalic(true);
        const int oneLine = QFontMetrics(font).horizontalAdvance(q);
        if (oneLine > area.width()) {
            font.setPixelSize(
                std::max(kExplanationMinPixels, kExplanationPixels * area.width() / oneLine));
        }
        const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
        const QRect box =
            QFontMetrics(font).boundingRect(QRect(0, 0, area.width(), area.height()), flags, q);
        const int o = kExplanationOutline;
        explanationImage_ = QImage(box.width() + 2 * o + 2, box.height() + 2 * o,
                                   QImage::Format_ARGB32_Premultiplied);
        explanationImage_.fill(Qt::transparent);
        QPainter t(&explanationImage_);
        t.setFont(font);
        const QRect inner(o, o, box.width() + 2, box.height());
        t.setPen(QColor(0, 0, 0, 220));
        for (int dy = -o; dy <= o; ++dy) {
            for (int dx = -o; dx <= o; ++dx) {
                if (dx != 0 || dy != 0) t.drawText(inner.translated(dx, dy), flags, q);
            }
        }
        t.setPen(Qt::white);
        t.drawText(inner, flags, q);
        t.end();
    }
    const int x = area.left() + (area.width() - explanationImage_.width()) / 2;
    const int y = std::max(0, area.bottom() + 1 - explanationImage_.height());
    p.drawImage(QPoint(x, y), explanationImage_);
}

void CabRenderer::setLabelText(Label& label, const std::string& text) {
    label.text = text;
    label.layout.setText(qs(text));
    label.layout.prepare(QTransform(), label.font);
    label.textWidth = static_cast<int>(std::ceil(label.layout.size().width()));
}

void CabRenderer::drawLabels(QPainter& p, const sim::SimState& state) {
    p.setPen(Qt::white);
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        Label& label = labels_[i];
        const std::string& text =
            state.Texts.Labels[static_cast<std::size_t>(sim::kStatusLabels[i].slot)];
        if (text != label.text) setLabelText(label, text);
        if (label.text.empty()) continue;
        int x = label.rect.left();
        if (label.rightAligned) x = label.rect.right() + 1 - label.textWidth;
        // A fixed-size label cuts what does not fit; an autosized one grows with its text.
        const bool cut = !label.autoSize && label.textWidth > label.rect.width();
        if (cut) {
            p.save();
            p.setClipRect(label.rect, Qt::IntersectClip);
        }
        p.setFont(label.font);
        p.drawStaticText(QPoint(x, label.rect.top()), label.layout);
        if (cut) p.restore();
    }
}

}  // namespace tressmoor::view
