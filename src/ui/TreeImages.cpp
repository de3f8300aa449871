#include "ui/TreeImages.h"

#include <QPainter>
#include <QPainterPath>
#include <map>
#include <utility>

namespace pw {

namespace {

const QColor kMaskColour(0, 128, 128);
const QColor kCover(150, 40, 30);
const QColor kCoverDark(95, 20, 15);
const QColor kPaper(252, 250, 240);
const QColor kInk(90, 90, 90);
const QColor kMark(40, 90, 200);

// Selected images carry a blue frame, so the strip itself tells them apart.
void DrawSelectionMark(QPainter& p) {
    p.setPen(QPen(kMark, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, 15, 15);
}

void DrawClosedBook(QPainter& p, bool selected) {
    p.setPen(QPen(kCoverDark, 1));
    p.setBrush(kPaper);
    p.drawRect(4, 2, 10, 12);  // the pages behind the cover
    p.setBrush(selected ? kMark.darker(110) : kCover);
    p.drawRect(2, 1, 10, 13);
    p.fillRect(3, 2, 2, 12, kCoverDark);  // spine
    p.fillRect(6, 4, 5, 2, kPaper);       // title label
    if (selected) DrawSelectionMark(p);
}

void DrawOpenBook(QPainter& p, bool selected) {
    p.setPen(QPen(kCoverDark, 1));
    p.setBrush(selected ? kMark.darker(110) : kCover);
    p.drawRect(0, 4, 15, 9);  // the cover under both halves
    QPainterPath left;
    left.moveTo(1, 3);
    left.lineTo(7, 5);
    left.lineTo(7, 13);
    left.lineTo(1, 11);
    left.closeSubpath();
    QPainterPath right;
    right.moveTo(14, 3);
    right.lineTo(8, 5);
    right.lineTo(8, 13);
    right.lineTo(14, 11);
    right.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(left);
    p.drawPath(right);
    p.setPen(QPen(kInk, 1));
    for (int y = 7; y <= 10; y += 2) {
        p.drawLine(2, y - 1, 5, y);
        p.drawLine(10, y, 13, y - 1);
    }
    if (selected) DrawSelectionMark(p);
}

void DrawPage(QPainter& p, bool selected) {
    QPainterPath sheet;
    sheet.moveTo(3, 1);
    sheet.lineTo(10, 1);
    sheet.lineTo(13, 4);
    sheet.lineTo(13, 14);
    sheet.lineTo(3, 14);
    sheet.closeSubpath();
    p.setPen(QPen(selected ? kMark : kInk, 1));
    p.setBrush(selected ? QColor(220, 232, 255) : kPaper);
    p.drawPath(sheet);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    p.setPen(QPen(selected ? kMark : kInk, 1));
    for (int y = 6; y <= 12; y += 2) p.drawLine(5, y, 11, y);
}

}  // namespace

QImage DrawTreeImageStrip() {
    QImage strip(kTreeImageSize * kTreeImageCount, kTreeImageSize, QImage::Format_ARGB32);
    strip.fill(kMaskColour);
    QPainter p(&strip);
    auto at = [&](int index, auto draw) {
        p.save();
        p.translate(index * kTreeImageSize, 0);
        draw();
        p.restore();
    };
    at(0, [&] { DrawClosedBook(p, false); });
    at(1, [&] { DrawOpenBook(p, false); });
    at(2, [&] { DrawClosedBook(p, true); });
    at(3, [&] { DrawOpenBook(p, true); });
    at(10, [&] { DrawPage(p, false); });
    at(11, [&] { DrawPage(p, true); });
    return strip;
}

QPixmap TreeImage(int index) {
    static const QImage strip = [] {
        QImage image = DrawTreeImageStrip();
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (line[x] == kMaskColour.rgba()) line[x] = qRgba(0, 0, 0, 0);
            }
        }
        return image;
    }();
    if (index < 0 || index >= kTreeImageCount) return {};
    return QPixmap::fromImage(
        strip.copy(index * kTreeImageSize, 0, kTreeImageSize, kTreeImageSize));
}

QIcon TreeItemIcon(int image, int selectedImage) {
    static std::map<std::pair<int, int>, QIcon> cache;
    auto [it, inserted] = cache.try_emplace({image, selectedImage});
    if (inserted) {
        it->second.addPixmap(TreeImage(image), QIcon::Normal);
        it->second.addPixmap(TreeImage(selectedImage), QIcon::Selected);
    }
    return it->second;
}

QIcon TreeItemIcon(TreeItemKind kind, bool expanded) {
    if (kind == TreeItemKind::Article) return TreeItemIcon(kImagePage, kImagePageSelected);
    return expanded ? TreeItemIcon(kImageBookOpen, kImageBookOpenSelected)
                    : TreeItemIcon(kImageBookClosed, kImageBookClosedSelected);
}

}  // namespace pw
