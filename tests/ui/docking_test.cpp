#include "ui/docking.h"

#include <QWidget>

#include "settings/settings.h"
#include "support/ui_harness.h"

namespace sonvaro::test {
namespace {

const QSize kScreen(1920, 1080);
const QRect kWork(0, 0, 1920, 1040);  // a panel along the bottom
const QSize kWindow(200, 100);

QPoint Snap(QPoint at, const std::vector<QRect>& others = {}, int flags = kDockAll) {
    return SnapPosition(at, kWindow, flags, kScreen, kWork, others, 10);
}

TEST(Snapping, ScreenAndWorkAreaEdges) {
    EXPECT_EQ(Snap({7, 300}), QPoint(0, 300));
    EXPECT_EQ(Snap({11, 300}), QPoint(11, 300));
    EXPECT_EQ(Snap({-9, -10}), QPoint(0, 0));
    EXPECT_EQ(Snap({1715, 300}), QPoint(1720, 300));  // right edge of the screen
    EXPECT_EQ(Snap({500, 945}), QPoint(500, 940));    // bottom of the work area
    EXPECT_EQ(Snap({500, 975}), QPoint(500, 980));    // bottom of the screen
    EXPECT_EQ(SnapPosition({7, 300}, kWindow, kDockAll, kScreen, std::nullopt, {}, 10), QPoint(7, 300));
}

TEST(Snapping, DocksBesideAndAlignsWithOtherWindows) {
    const QRect other(400, 400, 300, 200);                   // right edge 700, bottom 600
    EXPECT_EQ(Snap({705, 450}, {other}), QPoint(700, 450));  // docked on its right
    EXPECT_EQ(Snap({705, 407}, {other}), QPoint(700, 400));  // and the tops aligned
    EXPECT_EQ(Snap({192, 450}, {other}), QPoint(200, 450));  // docked on its left
    EXPECT_EQ(Snap({450, 295}, {other}), QPoint(450, 300));  // docked above
    EXPECT_EQ(Snap({405, 608}, {other}), QPoint(400, 600));  // below, left edges aligned
    EXPECT_EQ(Snap({705, 900}, {other}), QPoint(705, 900));  // spans apart: nothing
    EXPECT_EQ(Snap({705, 450}, {other}, kDockScreen), QPoint(705, 450));
}

TEST(Snapping, KeepInsideTheWorkArea) {
    EXPECT_EQ(KeepInsideArea(QRect(-20, -5, 200, 100), kWork), QPoint(0, 0));
    EXPECT_EQ(KeepInsideArea(QRect(1800, 1000, 200, 100), kWork), QPoint(1720, 940));
    EXPECT_EQ(KeepInsideArea(QRect(50, 60, 200, 100), kWork), QPoint(50, 60));
}

TEST(DockRegistry, RegistersOnceAndHiddenWindowsDoNotAttract) {
    QtApp();
    Settings settings;
    DockRegistry registry(settings);
    QWidget a, b;
    EXPECT_EQ(registry.Register(nullptr), 0);
    EXPECT_EQ(registry.Register(&a), 1);
    EXPECT_EQ(registry.Register(&a), -1);
    EXPECT_EQ(registry.Register(&b), 1);
    a.setGeometry(100, 100, 200, 150);
    b.resize(120, 80);
    const QPoint nearA(OuterRect(&a).right() + 1 + 6, 150);
    EXPECT_EQ(registry.Snap(&b, nearA), nearA);  // a is hidden
    a.show();
    ASSERT_TRUE(WaitFor([&] { return a.isVisible(); }));
    EXPECT_EQ(registry.Snap(&b, nearA).x(), OuterRect(&a).x() + OuterRect(&a).width());
    registry.Unregister(&a);
    EXPECT_EQ(registry.Snap(&b, nearA), nearA);
    EXPECT_FALSE(registry.IsRegistered(&a));
}

TEST(Placement, FirstOpeningCentresOverTheMainWindow) {
    QtApp();
    QWidget main, tool;
    main.setGeometry(100, 100, 400, 300);
    tool.resize(100, 50);
    PlaceFromSlot(&tool, WindowSlot{}, false, &main);
    const QRect m = OuterRect(&main), t = OuterRect(&tool);
    EXPECT_EQ(t.x(), m.x() + (m.width() - t.width()) / 2);
    EXPECT_EQ(t.y(), m.y() + (m.height() - t.height()) / 2);

    PlaceFromSlot(&tool, WindowSlot{30, 40, 250, 120}, true, &main);
    EXPECT_EQ(OuterRect(&tool).topLeft(), QPoint(30, 40));
    EXPECT_EQ(tool.size(), QSize(250, 120));
    WindowSlot stored;
    StoreToSlot(&tool, stored, true);
    EXPECT_EQ(stored.x, 30);
    EXPECT_EQ(stored.w, 250);
}

TEST(Opacity, FollowsTheSettings) {
    QtApp();
    Settings settings;
    QWidget w;
    settings.GUI_Opacity = 1;
    settings.GUI_OpacityValue = 51;
    ApplyOpacity(&w, settings);
    EXPECT_NEAR(w.windowOpacity(), 0.2, 0.01);
    settings.GUI_Opacity = 0;
    ApplyOpacity(&w, settings);
    EXPECT_DOUBLE_EQ(w.windowOpacity(), 1.0);
}

}  // namespace
}  // namespace sonvaro::test
