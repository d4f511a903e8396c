#include "ui/docking.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "settings/settings.h"

namespace sonvaro {
namespace {

bool Within(int a, int b, int m) {
    return b - m <= a && a <= b + m;
}

}  // namespace

QPoint SnapPosition(QPoint pos, QSize size, int flags, QSize screen, std::optional<QRect> work,
                    const std::vector<QRect>& others, int m) {
    int x = pos.x(), y = pos.y();
    const int cx = size.width(), cy = size.height();
    if ((flags & kDockScreen) && work) {
        const int wl = work->x(), wt = work->y(), wr = work->x() + work->width(),
                  wb = work->y() + work->height();
        if (Within(y, 0, m)) y = 0;
        if (Within(x + cx, screen.width(), m)) x = screen.width() - cx;
        if (Within(y + cy, screen.height(), m)) y = screen.height() - cy;
        if (Within(x, 0, m)) x = 0;
        if (Within(y, wt, m)) y = wt;
        if (Within(x + cx, wr, m)) x = wr - cx;
        if (Within(y + cy, wb, m)) y = wb - cy;
        if (Within(x, wl, m)) x = wl;
    }
    if (flags & kDockWindows) {
        for (const QRect& o : others) {
            const int ol = o.x(), ot = o.y(), orr = o.x() + o.width(), ob = o.y() + o.height();
            const bool vertical = ot - cy <= y && y <= ob;
            if (vertical) {
                if (Within(x, orr, m)) x = orr;
                if (Within(x + cx, ol, m)) x = ol - cx;
            }
            if (ol - cx <= x && x <= orr) {
                if (Within(y + cy, ot, m)) y = ot - cy;
                if (Within(y, ob, m)) y = ob;
            }
            if (ot - cy <= y && y <= ob) {
                if (Within(x + cx, orr, m)) x = orr - cx;
                if (Within(x, ol, m)) x = ol;
            }
            if (ol - cx - m <= x && x + cx <= orr + cx + m) {
                if (Within(y, ot, m)) y = ot;
                if (Within(y + cy, ob, m)) y = ob - cy;
            }
        }
    }
    return {x, y};
}

QPoint KeepInsideArea(const QRect& w, const QRect& area) {
    int left = w.x(), top = w.y();
    if (left < area.x()) left = area.x();
    if (top < area.y()) top = area.y();
    const int areaRight = area.x() + area.width(), areaBottom = area.y() + area.height();
    if (w.x() + w.width() > areaRight) left = areaRight - w.width();
    if (w.y() + w.height() > areaBottom) top = areaBottom - w.height();
    // A window larger than the area (a big stored size on a scaled screen)
    // keeps its title bar reachable rather than its far edge.
    return {std::max(left, area.x()), std::max(top, area.y())};
}

bool CanPlaceWindows() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QRect OuterRect(const QWidget* window) {
    return window->frameGeometry();
}

void MoveOuterTo(QWidget* window, QPoint topLeft) {
    if (!CanPlaceWindows()) return;
    window->move(topLeft);  // QWidget::move places the frame's top-left corner
}

void CentreOver(QWidget* window, const QWidget* over) {
    if (!window || !over) return;
    const QRect o = OuterRect(over), w = OuterRect(window);
    MoveOuterTo(window, {o.x() + (o.width() - w.width()) / 2, o.y() + (o.height() - w.height()) / 2});
}

void KeepInWorkArea(QWidget* window) {
    if (!window) return;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect outer = OuterRect(window);
    const QPoint p = KeepInsideArea(outer, screen->availableGeometry());
    if (p != outer.topLeft()) MoveOuterTo(window, p);
}

void PlaceFromSlot(QWidget* window, const WindowSlot& slot, bool sizeable, const QWidget* over) {
    if (sizeable && slot.w > 0 && slot.h > 0) window->resize(slot.w, slot.h);
    if (slot.x == -1 && slot.y == -1)
        CentreOver(window, over);
    else
        MoveOuterTo(window, {slot.x, slot.y});
}

void StoreToSlot(const QWidget* window, WindowSlot& slot, bool sizeable) {
    const QRect outer = OuterRect(window);
    if (CanPlaceWindows()) {
        slot.x = outer.x();
        slot.y = outer.y();
    }
    if (sizeable) {
        slot.w = window->width();
        slot.h = window->height();
    }
}

void ApplyOpacity(QWidget* window, const Settings& settings) {
    window->setWindowOpacity(settings.GUI_Opacity > 0 ? settings.GUI_OpacityValue / 255.0 : 1.0);
}

SlotTracker::SlotTracker(QWidget* window, WindowSlot& slot, bool sizeable)
    : QObject(window), slot_(slot), sizeable_(sizeable) {
    window->installEventFilter(this);
}

bool SlotTracker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->isVisible()) StoreToSlot(window, slot_, sizeable_);
    }
    return false;
}

DockRegistry::DockRegistry(const Settings& settings, QObject* parent)
    : QObject(parent), settings_(settings) {}

const DockRegistry::Entry* DockRegistry::Find(const QWidget* window) const {
    for (const Entry& e : entries_)
        if (e.window == window) return &e;
    return nullptr;
}

int DockRegistry::Register(QWidget* window, int flags) {
    if (!window) return 0;
    if (Find(window)) return -1;
    entries_.push_back({window, flags});
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, [this, window] {
        std::erase_if(entries_, [window](const Entry& e) { return e.window == window; });
    });
    return 1;
}

void DockRegistry::Unregister(QWidget* window) {
    if (!Find(window)) return;
    window->removeEventFilter(this);
    if (pressed_ == window) pressed_ = nullptr;
    if (dragged_ == window) dragged_ = nullptr;
    std::erase_if(entries_, [window](const Entry& e) { return e.window == window; });
}

bool DockRegistry::IsRegistered(QWidget* window) const {
    return Find(window) != nullptr;
}

QPoint DockRegistry::Snap(QWidget* window, QPoint proposed) const {
    const Entry* self = Find(window);
    if (!self) return proposed;
    std::vector<QRect> others;
    for (const Entry& e : entries_)
        if (e.window != window && e.window->isVisible()) others.push_back(OuterRect(e.window));
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    std::optional<QRect> work;
    QSize screenSize;
    if (screen) {
        work = screen->availableGeometry();
        screenSize = screen->geometry().size();
    }
    return SnapPosition(proposed, OuterRect(window).size(), self->flags, screenSize, work, others,
                        settings_.GUI_MagneticValue);
}

bool DockRegistry::eventFilter(QObject* watched, QEvent* event) {
    auto* window = qobject_cast<QWidget*>(watched);
    if (!window || settings_.GUI_Magnetic <= 0 || !CanPlaceWindows()) return false;
    const Entry* entry = Find(window);
    if (!entry) return false;
    switch (event->type()) {
        case QEvent::Move:
            // Qt reports the move after the fact: put the window where the rules say.
            if (!moving_ && window->isVisible()) {
                const QPoint now = OuterRect(window).topLeft();
                const QPoint snapped = Snap(window, now);
                if (snapped != now) {
                    moving_ = true;
                    window->move(snapped);
                    moving_ = false;
                }
            }
            break;
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if ((entry->flags & kDockDragClient) && mouse->button() == Qt::LeftButton) {
                pressed_ = window;
                pressedAt_ = mouse->globalPosition().toPoint();
            }
            break;
        }
        case QEvent::MouseMove: {
            // Background drag. We move the window ourselves rather than hand it
            // to the window manager: a tap released before the manager took the
            // pointer left it moving the window until the next click.
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->globalPosition().toPoint();
            if (!(mouse->buttons() & Qt::LeftButton)) {  // the release went elsewhere
                pressed_ = dragged_ = nullptr;
                break;
            }
            if (pressed_ == window &&
                (at - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
                pressed_ = nullptr;
                dragged_ = window;
                dragOffset_ = pressedAt_ - OuterRect(window).topLeft();
            }
            if (dragged_ == window) window->move(at - dragOffset_);
            break;
        }
        case QEvent::MouseButtonRelease:
            pressed_ = dragged_ = nullptr;
            break;
        default:
            break;
    }
    return false;
}

}  // namespace sonvaro
