#pragma once
#include <QString>
#include <QWidget>
#include <array>
#include <string>

#include "core/track_info.h"
#include "ui/tool_window.h"

class QComboBox;
class QImage;
class QLabel;
class QLineEdit;

namespace sonvaro {

class CoverLoader;
class PlaylistPlayback;
class TagReader;

// "Datei Informationen": one track's tags to edit and its audio properties.
class FileInfoWindow : public ToolWindow {
    Q_OBJECT
  public:
    enum Field { Path, Title, Track, Artist, Album, Year, Comment, kFieldCount };
    enum Property { Size, Bitrate, SampleRate, Channels, Length, Format, kPropertyCount };

    // `covers`: where the track's picture comes from; none: no picture.
    FileInfoWindow(TagReader& tags, PlaylistPlayback& playback, const TrackInfo& info, QWidget* owner,
                   CoverLoader* covers = nullptr);

    QLineEdit* Edit(Field field) const { return edits_[field]; }
    QComboBox* Genre() const { return genre_; }
    QLabel* PropertyText(Property property) const { return properties_[property]; }

    // "OK": writes the fields the user changed (none: the file is not touched),
    // closes, and shows them in the selected playlist row.
    void Save();
    // "...": the file's folder in the desktop's file browser.
    void ShowInFileBrowser();

    // The picture beside the properties, with "Bild speichern…"; the window
    // widens by it. None: the window as without covers.
    QLabel* Cover() const { return cover_; }
    // "Bild speichern…": asks for a file name and saves the picture as stored.
    void ChooseCoverFile();
    // Writes the track's picture, unchanged, to `target`; false when the track
    // has none (any more) or the file cannot be written.
    bool SaveCover(const std::string& target);

  private:
    void ShowCover(const QImage& image);

    TagReader& tags_;
    CoverLoader* covers_;
    QLabel* cover_ = nullptr;
    PlaylistPlayback& playback_;
    std::string path_;  // as the entry holds it: bytes, never re-encoded or trimmed
    std::array<QString, kFieldCount> shown_{};
    QString shownGenre_;
    std::array<QLineEdit*, kFieldCount> edits_{};
    std::array<QLabel*, kPropertyCount> properties_{};
    QComboBox* genre_ = nullptr;
};

}  // namespace sonvaro
