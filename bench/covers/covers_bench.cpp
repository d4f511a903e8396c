// Cover figures, run by bench/covers.sh under offscreen Qt: the first read of
// a 3,000 × 3,000 JPEG beside a track and inside one (ID3v2 APIC), showing a
// kept cover in the info panel, memory per kept cover, and the peak memory of
// decoding a 40-megapixel scan; a plain full-size QImage load of the same
// pictures in the same run for comparison.
#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/cover_finder.h"
#include "tags/track_info_reader.h"
#include "ui/cover_image.h"
#include "ui/cover_loader.h"
#include "ui/info_panel.h"

using namespace sonvaro;

namespace {

long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
    return -1;
}

// Resets VmHWM to the resident size now.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A photograph-like picture: gradients, shapes and noise, so the JPEG is of realistic size.
void MakeJpeg(const std::string& path, int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(seed));
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = static_cast<int>(random.bounded(24));
            line[x] = qRgb((x * 255 / width + n + seed * 40) & 0xFF, (y * 255 / height + n) & 0xFF,
                           ((x + y) * 128 / (width + height) + n) & 0xFF);
        }
    }
    QPainter painter(&image);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(QColor::fromRgb(random.generate()));
        painter.drawEllipse(static_cast<int>(random.bounded(width)), static_cast<int>(random.bounded(height)),
                            width / 6, height / 6);
    }
    painter.end();
    image.save(QString::fromStdString(path), "JPEG", 90);
}

double Ms(QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const bool make = argc == 3 && std::string(argv[1]) == "make";
    if (argc != 2 && !make) {
        std::fprintf(stderr,
                     "usage: covers_bench [make] FIXTURES\n(bench/covers.sh makes and fills the folder)\n");
        return 2;
    }
    QApplication qapp(argc, argv);
    const std::string root = std::string(argv[make ? 2 : 1]) + "/";
    const int kAlbums = 8;
    const int kCovers = static_cast<int>(CoverLoader::kKeptCovers);
    if (make) {
        for (int i = 0; i < kAlbums; ++i) {
            const std::string folder = root + "album" + std::to_string(i) + "/";
            std::filesystem::create_directories(folder);
            MakeJpeg(folder + "cover.jpg", 3000, 3000, i);
        }
        for (int i = 0; i < kCovers; ++i) {
            const std::string folder = root + "many/" + std::to_string(i) + "/";
            std::filesystem::create_directories(folder);
            std::filesystem::copy_file(root + "album" + std::to_string(i % kAlbums) + "/cover.jpg",
                                       folder + "cover.jpg");
        }
        MakeJpeg(root + "scan.jpg", 7300, 5500, 99);
        return 0;
    }
    std::printf("cover.jpg 3000 x 3000: %lld KB\n",
                static_cast<long long>(std::filesystem::file_size(root + "album0/cover.jpg") / 1024));

    TagReader reader;
    // First read: a fresh finder each time, the file as it lies beside the track (in the page cache).
    std::vector<double> first, plain, embedded;
    for (int i = 0; i < kAlbums; ++i) {
        const std::string track = root + "album" + std::to_string(i) + "/01.wav";
        CoverFinder finder(reader);
        QElapsedTimer t;
        t.start();
        const auto found = finder.Find(track);
        const QImage image = found ? DecodeCover(found->picture.data, CoverLoader::kMaxSide) : QImage();
        first.push_back(Ms(t));
        if (image.isNull()) std::fprintf(stderr, "no cover for %s\n", track.c_str());
        t.restart();
        const QImage full(QString::fromStdString(root + "album" + std::to_string(i) + "/cover.jpg"));
        plain.push_back(Ms(t));
    }
    for (int i = 0; i < kAlbums; ++i) {
        const std::string track = root + "album" + std::to_string(i) + "/embedded.mp3";
        CoverFinder finder(reader);
        QElapsedTimer t;
        t.start();
        const auto found = finder.Find(track);
        const QImage image =
            found && found->file.empty() ? DecodeCover(found->picture.data, CoverLoader::kMaxSide) : QImage();
        embedded.push_back(Ms(t));
        if (image.isNull()) std::fprintf(stderr, "no embedded cover in %s\n", track.c_str());
    }
    std::printf(
        "first read of a 3000 x 3000 JPEG beside the track, found and decoded to %d px: median %.1f ms, "
        "worst %.1f ms (target <= 100 ms)\n",
        CoverLoader::kMaxSide, Median(first), *std::max_element(first.begin(), first.end()));
    std::printf("the same picture in the track's ID3v2 tag: median %.1f ms, worst %.1f ms\n",
                Median(embedded), *std::max_element(embedded.begin(), embedded.end()));
    std::printf("peer: a plain QImage load of the JPEG at full size: median %.1f ms\n", Median(plain));

    // Showing from the cache: the loader knows the cover, the panel shows it.
    CoverFinder finder(reader);
    InfoPanel panel({}, nullptr);
    panel.resize(640, 85);
    {
        CoverLoader loader(finder);
        std::vector<std::string> tracks;
        for (int i = 0; i < kAlbums; ++i) tracks.push_back(root + "album" + std::to_string(i) + "/01.wav");
        for (const auto& track : tracks) loader.Request(track);
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 20000 && !std::all_of(tracks.begin(), tracks.end(),
                                                      [&](auto& p) { return loader.Request(p).has_value(); }))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::vector<double> shown;
        for (int round = 0; round < 20; ++round) {
            const std::string& track = tracks[round % tracks.size()];
            QElapsedTimer t;
            t.start();
            const auto image = loader.Request(track);
            panel.SetCover(image ? *image : QImage());
            shown.push_back(Ms(t));
        }
        std::printf(
            "showing a kept cover in the info panel: median %.2f ms, worst %.2f ms (target <= 20 ms)\n",
            Median(shown), *std::max_element(shown.begin(), shown.end()));
    }

    // Memory per kept cover: the loader's cache filled with distinct covers.
    {
        CoverFinder many(reader);
        malloc_trim(0);
        const long before = StatusKb("VmRSS:");
        auto* loader = new CoverLoader(many);
        qint64 imageBytes = 0;
        int kept = 0;
        for (int i = 0; i < kCovers; ++i) {
            const std::string track = root + "many/" + std::to_string(i) + "/01.wav";
            loader->Request(track);
            QElapsedTimer wait;
            wait.start();
            std::optional<QImage> image;
            while (!(image = loader->Request(track)) && wait.elapsed() < 20000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (image && !image->isNull()) imageBytes += image->sizeInBytes(), ++kept;
        }
        malloc_trim(0);
        const long after = StatusKb("VmRSS:");
        std::printf(
            "memory per kept cover (%d kept): %.2f MB of image, %.2f MB resident growth each "
            "(target <= 1 MB)\n",
            kept, static_cast<double>(imageBytes) / kept / 1e6,
            static_cast<double>(after - before) * 1024 / kept / 1e6);
        delete loader;
    }

    // A 40-megapixel scan: the peak memory of decoding it, beside a plain full-size load.
    {
        const auto bytes = ReadPictureFile(root + "scan.jpg");
        malloc_trim(0);
        ResetPeak();
        const long base = StatusKb("VmRSS:");
        QElapsedTimer t;
        t.start();
        const QImage image = bytes ? DecodeCover(*bytes, CoverLoader::kMaxSide) : QImage();
        const double ms = Ms(t);
        const long peak = StatusKb("VmHWM:");
        std::printf("a 7300 x 5500 scan (%lld KB): decoded to %d x %d in %.1f ms, peak memory +%.1f MB\n",
                    bytes ? static_cast<long long>(bytes->size() / 1024) : 0LL, image.width(), image.height(),
                    ms, static_cast<double>(peak - base) / 1024);
        malloc_trim(0);
        ResetPeak();
        const long base2 = StatusKb("VmRSS:");
        t.restart();
        QImageReader::setAllocationLimit(0);  // Qt's own 128 MB guard would refuse it
        QImage full;
        full.loadFromData(reinterpret_cast<const uchar*>(bytes->data()), static_cast<int>(bytes->size()));
        const double fullMs = Ms(t);
        std::printf("peer: a plain QImage load of the scan at full size: %.1f ms, peak memory +%.1f MB\n",
                    fullMs, static_cast<double>(StatusKb("VmHWM:") - base2) / 1024);
    }
    return 0;
}
