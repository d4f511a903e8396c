#include "ui/cover_loader.h"

#include <algorithm>

#include "library/cover_finder.h"
#include "ui/cover_image.h"

namespace sonvaro {

CoverLoader::CoverLoader(CoverFinder& finder, QObject* parent)
    : QObject(parent), finder_(finder), thread_([this] { Run(); }) {}

CoverLoader::~CoverLoader() {
    {
        std::lock_guard guard(lock_);
        stop_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

std::optional<QImage> CoverLoader::Request(const std::string& path) {
    const auto kept =
        std::find_if(kept_.begin(), kept_.end(), [&](const auto& e) { return e.first == path; });
    if (kept != kept_.end()) {
        kept_.splice(kept_.begin(), kept_, kept);
        return kept_.front().second;
    }
    {
        std::lock_guard guard(lock_);
        if (working_ == path || std::find(waiting_.begin(), waiting_.end(), path) != waiting_.end())
            return std::nullopt;
        // Asked for more than can be done soon: the oldest wish goes.
        if (waiting_.size() >= kMaxWaiting) waiting_.pop_front();
        waiting_.push_back(path);
    }
    wake_.notify_one();
    return std::nullopt;
}

void CoverLoader::Run() {
    for (;;) {
        std::string path;
        {
            std::unique_lock guard(lock_);
            wake_.wait(guard, [this] { return stop_ || !waiting_.empty(); });
            if (stop_) return;
            path = std::move(waiting_.front());
            waiting_.pop_front();
            working_ = path;
        }
        QImage image;
        if (const auto found = finder_.Find(path)) image = DecodeCover(found->picture.data, kMaxSide);
        // Delivered on the window thread; dropped with this object if it goes first.
        QMetaObject::invokeMethod(
            this, [this, path, image] { Deliver(path, image); }, Qt::QueuedConnection);
        std::lock_guard guard(lock_);
        working_.clear();
    }
}

void CoverLoader::Deliver(const std::string& path, const QImage& image) {
    kept_.remove_if([&](const auto& e) { return e.first == path; });
    kept_.emplace_front(path, image);
    if (kept_.size() > kKeptCovers) kept_.pop_back();
    emit loaded(path, image);
}

}  // namespace sonvaro
