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

void CChildLayout::Record(const LayoutRect& parentOuter,
                          const std::vector<std::pair<Handle, LayoutRect>>& children) {
    Clear();
    m_bRecorded = true;
    m_parent = parentOuter;
    for (const auto& [child, rect] : children) m_entries.push_back({child, rect});
}

void CChildLayout::Clear() {
    m_bRecorded = false;
    m_parent = {};
    m_entries.clear();
}

bool CChildLayout::SetAnchors(Handle child, int horizontal, int vertical) {
    for (Entry& entry : m_entries) {
        if (entry.child != child) continue;
        entry.horizontal = horizontal;
        entry.vertical = vertical;
        return true;
    }
    return false;
}

std::vector<CChildLayout::Placement> CChildLayout::Apply(const LayoutRect& parentOuter) const {
    std::vector<Placement> placements;
    if (!m_bRecorded) return placements;
    const int width0 = m_parent.right - m_parent.left;
    const int height0 = m_parent.bottom - m_parent.top;
    const int width = parentOuter.right - parentOuter.left;
    const int height = parentOuter.bottom - parentOuter.top;
    const int dx = width - width0;
    const int dy = height - height0;
    const double rx = Ratio(width, width0);
    const double ry = Ratio(height, height0);

    for (const Entry& entry : m_entries) {
        const LayoutSpan h =
            PlaceSpan({entry.rect.left, entry.rect.right}, entry.horizontal, dx, rx);
        const LayoutSpan v = PlaceSpan({entry.rect.top, entry.rect.bottom}, entry.vertical, dy, ry);
        placements.push_back({entry.child, {h.nearEdge, v.nearEdge, h.farEdge, v.farEdge}});
    }
    return placements;
}

}  // namespace pw
