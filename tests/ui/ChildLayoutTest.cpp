// The layout list: the anchor arithmetic and the list bound to real widgets.

#include <QWidget>
#include <QtTest>

#include "UiTestMain.h"
#include "ui/ChildLayout.h"
#include "ui/WidgetLayout.h"

using namespace pw;

namespace {

const int kChild = 1;
const void* const kHandle = &kChild;

// One child recorded at 10..110 horizontally in a parent 500 wide, the parent
// then grown by 100 pixels; the horizontal edges it gets.
LayoutSpan GrownBy100(int flags) {
    ChildLayout layout;
    layout.Record({0, 0, 500, 300}, {{kHandle, {10, 20, 110, 40}}});
    layout.SetAnchors(kHandle, flags, kAnchorFixed);
    const auto placed = layout.Apply({0, 0, 600, 300});
    return {placed.at(0).rect.left, placed.at(0).rect.right};
}

}  // namespace

class ChildLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void eachAnchorCombinationFollowsAGrownParent() {
        QCOMPARE(GrownBy100(kAnchorStretch), (LayoutSpan{10, 210}));
        QCOMPARE(GrownBy100(kAnchorMoveWithFar), (LayoutSpan{110, 210}));
        QCOMPARE(GrownBy100(kAnchorFixed), (LayoutSpan{10, 110}));
        QCOMPARE(GrownBy100(kAnchorScale), (LayoutSpan{12, 132}));
    }

    void scalingTruncatesEachEdge() {
        // 7 * 1.5 = 10.5 -> 10; size 3 * 1.5 = 4.5, + 10 = 14.5 -> 14.
        QCOMPARE(PlaceSpan({7, 10}, kAnchorScale, 50, 1.5), (LayoutSpan{10, 14}));
        // A shrinking parent scales down the same way.
        QCOMPARE(PlaceSpan({100, 200}, kAnchorScale, -50, 0.5), (LayoutSpan{50, 100}));
        // Keep size without follow far: near edge scaled, size kept.
        QCOMPARE(PlaceSpan({100, 130}, kAnchorKeepSize, 100, 2.0), (LayoutSpan{200, 230}));
        // Follow far alone: near edge scaled, far edge moved by the difference.
        QCOMPARE(PlaceSpan({100, 130}, kAnchorFollowFar, 100, 2.0), (LayoutSpan{200, 230}));
        QCOMPARE(PlaceSpan({100, 180}, kAnchorFollowFar, 10, 2.0), (LayoutSpan{200, 190}));
    }

    void bothDirectionsUseTheirOwnFlagsAndSizes() {
        ChildLayout layout;
        layout.Record({100, 100, 600, 400}, {{kHandle, {10, 20, 110, 40}}});
        QVERIFY(layout.SetAnchors(kHandle, kAnchorMoveWithFar, kAnchorStretch));
        // Outer rectangle moved as well: only its size counts.
        const auto placed = layout.Apply({0, 0, 550, 450});
        QCOMPARE(placed.size(), size_t(1));
        QCOMPARE(placed[0].rect, (LayoutRect{60, 20, 160, 190}));
    }

    void anchorsForAStrangerChangeNothing() {
        ChildLayout layout;
        const int other = 2;
        layout.Record({0, 0, 500, 300}, {{kHandle, {10, 20, 110, 40}}});
        QVERIFY(!layout.SetAnchors(&other, kAnchorFixed, kAnchorFixed));
        QCOMPARE(layout.Apply({0, 0, 600, 300}).at(0).rect, (LayoutRect{12, 20, 132, 40}));
    }

    void applyBeforeRecordPlacesNothing() {
        ChildLayout layout;
        QVERIFY(layout.Apply({0, 0, 600, 300}).empty());
        QVERIFY(!layout.SetAnchors(kHandle, kAnchorFixed, kAnchorFixed));
    }

    void aParentRecordedWithoutSizeKeepsTheScale() {
        ChildLayout layout;
        layout.Record({0, 0, 0, 0}, {{kHandle, {10, 20, 110, 40}}});
        QCOMPARE(layout.Apply({0, 0, 800, 600}).at(0).rect, (LayoutRect{10, 20, 110, 40}));
    }

    void widgetsFollowTheirParentsResize() {
        // A page inside a window, as the tab pages are: its own rectangle counts.
        QWidget window;
        auto* parent = new QWidget(&window);
        parent->setGeometry(5, 5, 500, 300);
        auto* stretched = new QWidget(parent);
        stretched->setGeometry(10, 10, 100, 20);
        auto* pinned = new QWidget(parent);
        pinned->setGeometry(400, 10, 90, 20);
        auto* scaled = new QWidget(parent);
        scaled->setGeometry(100, 100, 100, 100);
        WidgetLayout layout;
        layout.Record(parent);
        QVERIFY(layout.SetAnchors(stretched, kAnchorStretch, kAnchorFixed));
        QVERIFY(layout.SetAnchors(pinned, kAnchorMoveWithFar, kAnchorFixed));
        window.show();

        parent->resize(600, 600);
        QCOMPARE(stretched->geometry(), QRect(10, 10, 200, 20));
        QCOMPARE(pinned->geometry(), QRect(500, 10, 90, 20));
        QCOMPARE(scaled->geometry(), QRect(120, 200, 120, 200));
    }

    void aDestroyedChildIsSkipped() {
        QWidget window;
        auto* parent = new QWidget(&window);
        parent->resize(500, 300);
        auto* gone = new QWidget(parent);
        auto* kept = new QWidget(parent);
        kept->setGeometry(0, 0, 50, 50);
        WidgetLayout layout;
        layout.Record(parent);
        delete gone;
        window.show();
        parent->resize(1000, 600);
        QCOMPARE(kept->geometry(), QRect(0, 0, 100, 100));
    }
};

PW_UI_TEST_MAIN(ChildLayoutTest)
#include "ChildLayoutTest.moc"
