// Covers found and decoded on a thread of their own, delivered to the window thread.
#pragma once
#include <QImage>
#include <QObject>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace sonvaro {

class CoverFinder;

class CoverLoader : public QObject {
    Q_OBJECT
  public:
    // Covers are kept at most this large: 384 × 384 × 4 bytes, 0.6 MB each,
    // twice the largest place one is shown (for scaled screens).
    static constexpr int kMaxSide = 384;
    static constexpr std::size_t kKeptCovers = 24;
    static constexpr std::size_t kMaxWaiting = 8;

    explicit CoverLoader(CoverFinder& finder, QObject* parent = nullptr);
    ~CoverLoader() override;  // waits for the picture being decoded, drops the rest

    // The track's cover when it is known already (a null image: it has none);
    // otherwise nullopt, and `loaded` follows once it is.
    std::optional<QImage> Request(const std::string& path);
    CoverFinder& Finder() const { return finder_; }

  signals:
    void loaded(const std::string& path, const QImage& image);

  private:
    void Run();
    void Deliver(const std::string& path, const QImage& image);

    CoverFinder& finder_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::string> waiting_;
    std::string working_;
    bool stop_ = false;
    std::list<std::pair<std::string, QImage>> kept_;  // most recently used first; window thread only
    std::thread thread_;
};

}  // namespace sonvaro
