#pragma once
// The layout list of a resizable window: where each child stood when the window
// was set up, and how it follows the window's size. Pure arithmetic, so the
// window system only supplies rectangles and moves children.

#include <utility>
#include <vector>

namespace pw {

// Right and bottom are exclusive, as window rectangles are.
struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const LayoutRect&) const = default;
};

// Anchor flags for one direction (near edge: left or top; far edge: right or bottom).
enum LayoutAnchor {
    kAnchorScale = 0,
    kAnchorKeepSize = 1,
    kAnchorKeepNear = 2,
    kAnchorFollowFar = 4,
    kAnchorFixed = kAnchorKeepNear | kAnchorKeepSize,         // 3
    kAnchorMoveWithFar = kAnchorFollowFar | kAnchorKeepSize,  // 5
    kAnchorStretch = kAnchorKeepNear | kAnchorFollowFar,      // 6
};

struct LayoutSpan {
    int nearEdge = 0;
    int farEdge = 0;

    bool operator==(const LayoutSpan&) const = default;
};

// One direction of one child: its recorded edges placed for a parent that grew by
// delta and changed size by the factor ratio.
LayoutSpan PlaceSpan(LayoutSpan recorded, int flags, int delta, double ratio);

class ChildLayout {
public:
    using Handle = const void*;

    struct Placement {
        Handle child = nullptr;
        LayoutRect rect;
    };

    // Forgets earlier entries; every child starts with flags 0 (scale in proportion).
    void Record(const LayoutRect& parentOuter,
                const std::vector<std::pair<Handle, LayoutRect>>& children);
    void Clear();
    bool IsRecorded() const { return recorded_; }

    // False when the child is not in the list.
    bool SetAnchors(Handle child, int horizontal, int vertical);

    // Where each child goes for the parent's current outer rectangle, in list
    // order; nothing before Record.
    std::vector<Placement> Apply(const LayoutRect& parentOuter) const;

private:
    struct Entry {
        Handle child = nullptr;
        LayoutRect rect;
        int horizontal = kAnchorScale;
        int vertical = kAnchorScale;
    };

    bool recorded_ = false;
    LayoutRect parent_;
    std::vector<Entry> entries_;
};

}  // namespace pw
