#include "ui/file_info_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <cmath>

#include "core/duration.h"
#include "core/text.h"
#include "desktop/file_manager.h"
#include "library/cover_finder.h"
#include "platform/atomic_file.h"
#include "platform/file_info.h"
#include "playback/format_names.h"
#include "playback/playlist_playback.h"
#include "tags/genre_names.h"
#include "tags/size_text.h"
#include "tags/tag_writer.h"
#include "ui/cover_loader.h"
#include "ui/qt_text.h"

namespace sonvaro {
namespace {

QString NumberOrEmpty(int64_t value) {
    return value < 1 ? QString() : QString::number(value);
}

}  // namespace

FileInfoWindow::FileInfoWindow(TagReader& tags, PlaylistPlayback& playback, const TrackInfo& info,
                               QWidget* owner, CoverLoader* covers)
    : ToolWindow(owner, QStringLiteral("Datei Informationen")),
      tags_(tags),
      covers_(covers),
      playback_(playback),
      path_(info.path) {
    setFixedSize(585, 275);

    const QString values[kFieldCount] = {ToQt(info.path),   ToQt(info.title), NumberOrEmpty(info.trackNumber),
                                         ToQt(info.artist), ToQt(info.album), NumberOrEmpty(info.year),
                                         ToQt(info.comment)};
    for (int i = 0; i < kFieldCount; ++i) {
        auto* edit = new QLineEdit(values[i], this);
        edit->setToolTip(values[i]);
        connect(edit, &QLineEdit::textChanged, edit, &QLineEdit::setToolTip);
        edit->setCursorPosition(0);
        edits_[i] = edit;
        shown_[i] = values[i];
    }
    edits_[Path]->setReadOnly(true);

    genre_ = new QComboBox(this);
    genre_->setEditable(true);
    genre_->setInsertPolicy(QComboBox::NoInsert);
    for (std::string_view name : GenreNames())
        genre_->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    genre_->setEditText(ToQt(info.genre));
    shownGenre_ = genre_->currentText();
    genre_->setToolTip(ToQt(info.genre));
    connect(genre_, &QComboBox::editTextChanged, genre_, &QComboBox::setToolTip);

    const auto size = RegularFileSize(info.path);
    const QString propertyValues[kPropertyCount] = {
        size && *size > 0 ? ToQt(SizeText(*size, 2, true)) : QString(),
        NumberOrEmpty(info.bitrate),
        info.sampleRate > 0 ? QString::number(std::lround(info.sampleRate)) : QString(),
        NumberOrEmpty(info.channels),
        info.length < 1 ? QString() : ToQt(FormatDuration(info.length)),
        ToQt(FormatName(info.channelType, true)),
    };
    for (int i = 0; i < kPropertyCount; ++i) {
        properties_[i] = new QLabel(propertyValues[i], this);
        properties_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setFixedWidth(30);
    connect(browse, &QPushButton::clicked, this, &FileInfoWindow::ShowInFileBrowser);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    connect(ok, &QPushButton::clicked, this, &FileInfoWindow::Save);
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);

    auto* grid = new QGridLayout(this);
    const auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };
    grid->addWidget(label("Datei"), 0, 0);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(edits_[Path], 1);
    pathRow->addWidget(browse);
    grid->addLayout(pathRow, 0, 1, 1, 3);
    const std::pair<const char*, QWidget*> left[] = {
        {"Titel", edits_[Title]},       {"Track", edits_[Track]}, {"Interpret", edits_[Artist]},
        {"Album", edits_[Album]},       {"Jahr", edits_[Year]},   {"Genre", genre_},
        {"Kommentar", edits_[Comment]},
    };
    int row = 1;
    for (const auto& [text, widget] : left) {
        grid->addWidget(label(text), row, 0);
        grid->addWidget(widget, row, 1);
        ++row;
    }
    const char* const right[kPropertyCount] = {"Dateigröße", "Bitrate", "Samplerate",
                                               "Channels",   "Länge",   "Format"};
    for (int i = 0; i < kPropertyCount; ++i) {
        grid->addWidget(label(right[i]), 1 + i, 2);
        grid->addWidget(properties_[i], 1 + i, 3);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, row, 0, 1, 4);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);

    if (covers_ && !IsStreamAddress(path_)) {
        connect(covers_, &CoverLoader::loaded, this, [this](const std::string& path, const QImage& image) {
            if (path == path_ && !cover_) ShowCover(image);
        });
        if (const auto known = covers_->Request(path_)) ShowCover(*known);
    }
}

void FileInfoWindow::ShowCover(const QImage& image) {
    if (image.isNull()) return;
    constexpr int kSide = 160;
    cover_ = new QLabel(this);
    cover_->setObjectName(QStringLiteral("cover"));
    cover_->setFixedSize(kSide, kSide);
    cover_->setAlignment(Qt::AlignCenter);
    cover_->setPixmap(
        QPixmap::fromImage(image.scaled(kSide, kSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    auto* save = new QPushButton(QStringLiteral("Bild speichern…"), this);
    save->setObjectName(QStringLiteral("saveCover"));
    connect(save, &QPushButton::clicked, this, &FileInfoWindow::ChooseCoverFile);
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->addWidget(cover_, 1, 4, 5, 1, Qt::AlignTop | Qt::AlignHCenter);
    grid->addWidget(save, 6, 4);
    setFixedSize(width() + kSide + grid->horizontalSpacing() + 4, height());
}

void FileInfoWindow::ChooseCoverFile() {
    const auto found = covers_ ? covers_->Finder().Find(path_) : std::nullopt;
    if (!found) return;
    std::string extension(CoverExtension(found->picture.data));
    if (extension.empty()) extension = "jpg";
    const QString suggested = QFile::decodeName(QByteArray::fromStdString(std::string(FolderOf(path_)))) +
                              QStringLiteral("cover.") + QString::fromStdString(extension);
    const QString target = QFileDialog::getSaveFileName(this, QStringLiteral("Bild speichern"), suggested);
    if (!target.isEmpty() && !SaveCover(QFile::encodeName(target).toStdString()))
        QMessageBox::warning(this, QStringLiteral("Bild speichern"),
                             QStringLiteral("Das Bild konnte nicht gespeichert werden:\n") + target);
}

bool FileInfoWindow::SaveCover(const std::string& target) {
    const auto found = covers_ ? covers_->Finder().Find(path_) : std::nullopt;
    if (!found || target.empty()) return false;
    return WriteFileAtomically(target, found->picture.data, FileVisibility::Shared);
}

void FileInfoWindow::Save() {
    // Only what the user changed is written: the shown text is a cleaned view
    // (one line, one artist, a title taken from the file name), and writing it
    // back unasked would flatten what the file holds.
    TagEdits edits;
    edits.path = path_;
    bool changed = false;
    const auto take = [&](Field field, std::optional<std::string>& target) {
        if (edits_[field]->text() == shown_[field]) return;
        target = FromQt(edits_[field]->text());
        changed = true;
    };
    take(Title, edits.title);
    take(Track, edits.track);
    take(Artist, edits.artist);
    take(Album, edits.album);
    take(Year, edits.year);
    take(Comment, edits.comment);
    if (genre_->currentText() != shownGenre_) {
        edits.genre = FromQt(genre_->currentText());
        changed = true;
    }
    // A missing file or one the tag library refuses saves nothing; the window closes all the same.
    if (changed) WriteTags(tags_, edits);
    close();
    playback_.RefreshSelectedEntry();
    // The same file may stand in other rows too (the current track opened from its caption).
    playback_.RefreshEntries({edits.path});
}

void FileInfoWindow::ShowInFileBrowser() {
    if (IsNonEmptyFile(path_)) DesktopFileBrowser().ShowItem(path_);  // a station's address has no folder
}

}  // namespace sonvaro
