#include "ui/ChildLayout.h"

#include <cmath>
#include <limits>

namespace pw {

namespace {

// Truncates toward zero like a C cast, but never past the int range (a parent
// shrunk to nothing or a huge ratio must not be undefined behaviour).
int Truncate(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    if (value >= kMax) return std::numeric_limits<int>::max();
    if (value <= kMin) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

// A recorded size of zero has no meaningful ratio; such a parent keeps the scale.
double Ratio(int now, int recorded) {
    return recorded != 0 ? static_cast<double>(now) / recorded : 1.0;
}

}  // namespace

LayoutSpan PlaceSpan(LayoutSpan recorded, int flags, int delta, double ratio) {
    const bool keepNear = flags & kAnchorKeepNear;
    const bool keepSize = flags & kAnchorKeepSize;
    const bool followFar = flags & kAnchorFollowFar;
    const int size = recorded.farEdge - recorded.nearEdge;

    LayoutSpan placed;
    if (keepNear) {
        placed.nearEdge = recorded.nearEdge;
    } else if (keepSize && followFar) {
        placed.nearEdge = recorded.nearEdge + delta;
    } else {
        placed.nearEdge = Truncate(recorded.nearEdge * ratio);
    }
    if (followFar) {
        placed.farEdge = recorded.farEdge + delta;
    } else if (keepSize) {
        placed.farEdge = placed.nearEdge + size;
    } else {
        placed.farEdge = Truncate(size * ratio + placed.nearEdge);
    }
    return placed;
}

void ChildLayout::Record(const LayoutRect& parentOuter,
                         const std::vector<std::pair<Handle, LayoutRect>>& children) {
    Clear();
    recorded_ = true;
    parent_ = parentOuter;
    for (const auto& [child, rect] : children) entries_.push_back({child, rect});
}

void ChildLayout::Clear() {
    recorded_ = false;
    parent_ = {};
    entries_.clear();
}

bool ChildLayout::SetAnchors(Handle child, int horizontal, int vertical) {
    for (Entry& entry : entries_) {
        if (entry.child != child) continue;
        entry.horizontal = horizontal;
        entry.vertical = vertical;
        return true;
    }
    return false;
}

std::vector<ChildLayout::Placement> ChildLayout::Apply(const LayoutRect& parentOuter) const {
    std::vector<Placement> placements;
    if (!recorded_) return placements;
    const int width0 = parent_.right - parent_.left;
    const int height0 = parent_.bottom - parent_.top;
    const int width = parentOuter.right - parentOuter.left;
    const int height = parentOuter.bottom - parentOuter.top;
    const int dx = width - width0;
    const int dy = height - height0;
    const double rx = Ratio(width, width0);
    const double ry = Ratio(height, height0);

    for (const Entry& entry : entries_) {
        const LayoutSpan h =
            PlaceSpan({entry.rect.left, entry.rect.right}, entry.horizontal, dx, rx);
        const LayoutSpan v = PlaceSpan({entry.rect.top, entry.rect.bottom}, entry.vertical, dy, ry);
        placements.push_back({entry.child, {h.nearEdge, v.nearEdge, h.farEdge, v.farEdge}});
    }
    return placements;
}

}  // namespace pw
