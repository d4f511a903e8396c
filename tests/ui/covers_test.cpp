#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <filesystem>

#include "settings/settings.h"
#include "support/ui_harness.h"
#include "ui/cover_image.h"
#include "ui/cover_loader.h"
#include "ui/file_info_window.h"
#include "ui/info_panel.h"
#include "ui/tracker_window.h"

namespace sonvaro::test {
namespace {

// A picture with a diagonal, so that a scaled one can be told from a blank.
std::string Picture(int width, int height, const char* format, int quality = 90) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QPainter(&image).drawLine(0, 0, width - 1, height - 1);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, quality));
    return bytes.toStdString();
}

std::string PngHeader(uint32_t width, uint32_t height) {
    std::string png = Picture(4, 4, "PNG");
    // IHDR's width and height follow the signature, the chunk length and "IHDR".
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<char>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
    return png;
}

TEST(DecodeCover, ScaledOnLoadAndNeverEnlarged) {
    QtApp();
    const QImage small = DecodeCover(Picture(64, 48, "PNG"), 480);
    EXPECT_EQ(small.size(), QSize(64, 48));
    const QImage scan = DecodeCover(Picture(4000, 3000, "JPEG"), 480);
    EXPECT_EQ(scan.size(), QSize(480, 360));
    const QImage tall = DecodeCover(Picture(500, 2000, "PNG"), 480);
    EXPECT_EQ(tall.size(), QSize(120, 480));
    // At most 4 bytes a pixel whatever the source.
    EXPECT_LE(scan.sizeInBytes(), 480 * 480 * 4);
    EXPECT_EQ(CoverFit(QSize(3000, 3000), 480), QSize(480, 480));
    EXPECT_EQ(CoverFit(QSize(10, 5000), 480), QSize(1, 480));
    EXPECT_EQ(CoverFit(QSize(), 480), QSize());
}

TEST(DecodeCover, BrokenAndHostilePicturesGiveNothing) {
    QtApp();
    EXPECT_TRUE(DecodeCover("", 480).isNull());
    EXPECT_TRUE(DecodeCover("not a picture at all", 480).isNull());
    EXPECT_TRUE(DecodeCover(std::string("\xFF\xD8\xFF\xE0", 4) + std::string(5000, '\0'), 480).isNull());
    // A header claiming a picture far beyond any cover: refused before decoding.
    EXPECT_TRUE(DecodeCover(PngHeader(60000, 60000), 480).isNull());
    EXPECT_TRUE(DecodeCover(PngHeader(0x7FFFFFFF, 1), 480).isNull());
    // A format Qt cannot decode at a reduced size (PNG) whose whole picture
    // would take 81 MB: nothing, rather than the memory.
    EXPECT_TRUE(DecodeCover(Picture(4500, 4500, "PNG"), 480).isNull());
    // Cut short and damaged: whatever comes out is no larger than asked for.
    const std::string jpeg = Picture(800, 600, "JPEG");
    for (const std::size_t keep : {std::size_t{20}, std::size_t{200}, jpeg.size() / 2}) {
        const QImage part = DecodeCover(std::string_view(jpeg).substr(0, keep), 480);
        EXPECT_TRUE(part.isNull() || (part.width() <= 480 && part.height() <= 480)) << keep;
    }
    std::string flipped = Picture(300, 300, "PNG");
    for (std::size_t i = 40; i < flipped.size(); i += 7) flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    const QImage damaged = DecodeCover(flipped, 480);
    EXPECT_TRUE(damaged.isNull() || damaged.width() <= 480);
}

// The real window and player; an album folder with a cover file and one without.
class CoversTest : public MainWindowTest {
  protected:
    std::string Track(const std::string& folder, const std::string& name) {
        std::filesystem::create_directories(home / folder);
        const std::string path = home / (folder + "/" + name);
        std::filesystem::copy_file(ToneFile(4), path, std::filesystem::copy_options::overwrite_existing);
        return path;
    }
    std::string WithCover() {
        const std::string track = Track("album", "01.wav");
        WriteFile(home / "album/Cover.PNG", Picture(600, 600, "PNG"));
        return track;
    }
};

TEST_F(CoversTest, InfoPanelShowsTheCoverWhereTheLayoutHasRoom) {
    window->SwitchLayout(1);  // with the playlist: wide enough
    InfoPanel* panel = window->Information();
    const QPoint valueAt = panel->Field(2)->pos();
    const std::string plain = Track("plain", "01.wav");
    ASSERT_EQ(app->control.PlayFile(plain), 1);
    app->PlayerTick();
    // A track without a picture: the panel as it always was.
    ASSERT_TRUE(WaitFor([&] { return window->Covers()->Request(plain).has_value(); }));
    EXPECT_FALSE(panel->CoverShown());
    EXPECT_EQ(panel->Field(2)->pos(), valueAt);

    const std::string withCover = WithCover();
    ASSERT_EQ(app->control.PlayFile(withCover), 1);
    app->PlayerTick();
    ASSERT_TRUE(WaitFor([&] { return panel->CoverShown(); }));
    EXPECT_GT(panel->Field(2)->x(), valueAt.x());
    EXPECT_GE(panel->Field(2)->width(), 150);  // the values keep their natural width

    window->SwitchLayout(0);  // the information alone has no room for it
    EXPECT_FALSE(panel->CoverShown());
    EXPECT_EQ(panel->Field(2)->pos(), valueAt);

    window->SwitchLayout(1);
    EXPECT_TRUE(panel->CoverShown());
    ASSERT_EQ(app->control.PlayFile(plain), 1);
    app->PlayerTick();
    ASSERT_TRUE(WaitFor([&] { return !panel->CoverShown(); }));
    EXPECT_EQ(panel->Field(2)->pos(), valueAt);
}

TEST_F(CoversTest, FileInformationShowsAndSavesThePicture) {
    TrackInfo info;
    info.path = WithCover();
    ASSERT_NE(app->tags.ReadTrackInfo(info), kReadNothing);
    {
        FileInfoWindow plain(app->tags, app->playback, info, window.get());  // no covers: as always
        EXPECT_EQ(plain.size(), QSize(585, 275));
    }
    FileInfoWindow w(app->tags, app->playback, info, window.get(), window->Covers());
    ASSERT_TRUE(WaitFor([&] { return w.Cover() != nullptr; }));
    EXPECT_GT(w.width(), 585);
    EXPECT_EQ(w.height(), 275);
    ASSERT_NE(w.findChild<QPushButton*>(QStringLiteral("saveCover")), nullptr);
    EXPECT_EQ(w.findChild<QPushButton*>(QStringLiteral("saveCover"))->text(),
              QStringLiteral("Bild speichern…"));
    // Saved as stored, byte for byte.
    EXPECT_TRUE(w.SaveCover(home / "saved.png"));
    EXPECT_EQ(ReadFile(home / "saved.png"), ReadFile(home / "album/Cover.PNG"));
    EXPECT_FALSE(w.SaveCover(home / "no/such/folder/x.png"));

    TrackInfo other;
    other.path = Track("plain", "02.wav");
    ASSERT_NE(app->tags.ReadTrackInfo(other), kReadNothing);
    FileInfoWindow none(app->tags, app->playback, other, window.get(), window->Covers());
    ASSERT_TRUE(WaitFor([&] { return window->Covers()->Request(other.path).has_value(); }));
    QApplication::processEvents();
    EXPECT_EQ(none.Cover(), nullptr);
    EXPECT_EQ(none.size(), QSize(585, 275));
    EXPECT_FALSE(none.SaveCover(home / "none.png"));
}

TEST_F(CoversTest, PopupShowsTheCoverOnlyWhenAskedTo) {
    TrackerWindow tracker;
    tracker.Attach(app->data.settings, app->player.State(), window.get(), app->clock.tick);
    tracker.SetCoverLoader(window->Covers());
    const std::string track = WithCover();
    ASSERT_EQ(app->control.PlayFile(track), 1);
    app->PlayerTick();
    ASSERT_TRUE(WaitFor([&] { return window->Covers()->Request(track).has_value(); }));

    ASSERT_EQ(app->data.settings.Tracker_Cover, 0);  // off unless chosen
    tracker.Show();
    const QSize plain = tracker.Popup()->size();
    EXPECT_EQ(tracker.CoverLabel(), nullptr);

    app->data.settings.Tracker_Cover = 1;
    tracker.Show();
    ASSERT_NE(tracker.CoverLabel(), nullptr);
    EXPECT_EQ(tracker.Popup()->height(), plain.height());
    EXPECT_EQ(tracker.Popup()->width(), plain.width() + tracker.CoverLabel()->width() + 4);
    EXPECT_EQ(tracker.CoverLabel()->width(), plain.height() - 8);
    tracker.Close();
}

}  // namespace
}  // namespace sonvaro::test
