#include "ui/library_browser.h"

#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/cover_loader.h"
#include "ui/qt_text.h"

namespace sonvaro {
namespace {

// Where an item's keys are kept: artist items hold the artist's, album items both.
constexpr int kArtistKey = Qt::UserRole;
constexpr int kAlbumKey = Qt::UserRole + 1;
constexpr int kCoverFile = Qt::UserRole + 2;  // one of the album's files

QString AlbumText(const BrowseAlbum& album) {
    QString text = album.name.empty() ? QStringLiteral("Unbekanntes Album") : ToQt(album.name);
    if (album.year > 0) text += QStringLiteral(" (%1)").arg(album.year);
    return text + QStringLiteral(" · %1 Titel").arg(album.tracks);
}

}  // namespace

LibraryBrowser::LibraryBrowser(Library& library, CoverFinder& covers, QWidget* parent)
    : QWidget(parent), library_(library), covers_(new CoverLoader(covers, this)) {
    setObjectName(QStringLiteral("libraryBrowser"));
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("libraryBrowseFilter"));
    filter_->setPlaceholderText(QStringLiteral("Filtern"));
    filter_->setClearButtonEnabled(true);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("libraryBrowseTree"));
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setUniformRowHeights(true);
    tree_->setIconSize(QSize(32, 32));
    tree_->header()->setStretchLastSection(true);
    box->addWidget(filter_);
    box->addWidget(tree_, 1);
    // A pause in typing, not every key, reads the library again.
    typing_.setSingleShot(true);
    typing_.setInterval(150);
    connect(filter_, &QLineEdit::textChanged, this, [this] { typing_.start(); });
    connect(&typing_, &QTimer::timeout, this, [this] {
        choice_.filter = FromQt(filter_->text());
        Rebuild();
        emit choiceChanged();
    });
    connect(tree_, &QTreeWidget::itemExpanded, this, &LibraryBrowser::ShowCovers);
    connect(covers_, &CoverLoader::loaded, this, &LibraryBrowser::SetCover);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        TakeChoice(item);
        emit choiceChanged();
    });
}

void LibraryBrowser::TakeChoice(QTreeWidgetItem* item) {
    choice_.artistKey.reset();
    choice_.albumKey.reset();
    if (!item) return;
    choice_.artistKey = FromQt(item->data(0, kArtistKey).toString());
    if (item->parent()) choice_.albumKey = FromQt(item->data(0, kAlbumKey).toString());
}

void LibraryBrowser::ShowCovers(QTreeWidgetItem* artist) {
    // From the last album up: when more are asked for than wait, the oldest wish goes, so the top ones stay.
    for (int i = artist->childCount(); i-- > 0;) {
        QTreeWidgetItem* album = artist->child(i);
        const std::string file = FromQt(album->data(0, kCoverFile).toString());
        if (const auto known = covers_->Request(file)) SetCover(file, *known);
    }
}

void LibraryBrowser::SetCover(const std::string& file, const QImage& image) {
    if (image.isNull()) return;
    const QIcon icon(
        QPixmap::fromImage(image.scaled(tree_->iconSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    const QString wanted = ToQt(file);
    for (int a = 0; a < tree_->topLevelItemCount(); ++a) {
        QTreeWidgetItem* artist = tree_->topLevelItem(a);
        if (!artist->isExpanded()) continue;
        for (int i = 0; i < artist->childCount(); ++i)
            if (artist->child(i)->data(0, kCoverFile).toString() == wanted)
                artist->child(i)->setIcon(0, icon);
    }
}

void LibraryBrowser::Rebuild() {
    const BrowseIndex index = BrowseLibrary(library_, choice_.filter);
    const BrowseChoice kept = choice_;
    const QSignalBlocker quiet(tree_);
    tree_->clear();
    QList<QTreeWidgetItem*> artists;
    artists.reserve(static_cast<qsizetype>(index.artists.size()));
    QTreeWidgetItem* current = nullptr;
    for (const BrowseArtist& artist : index.artists) {
        auto* item = new QTreeWidgetItem;
        const QString name =
            artist.name.empty() ? QStringLiteral("Unbekannter Interpret") : ToQt(artist.name);
        item->setText(0, QStringLiteral("%1 (%2)").arg(name).arg(artist.tracks));
        item->setData(0, kArtistKey, ToQt(artist.key));
        const bool keptArtist = kept.artistKey && *kept.artistKey == artist.key;
        if (keptArtist && !kept.albumKey) current = item;
        for (const BrowseAlbum& album : artist.albums) {
            auto* child = new QTreeWidgetItem(item);
            child->setText(0, AlbumText(album));
            child->setData(0, kArtistKey, ToQt(artist.key));
            child->setData(0, kAlbumKey, ToQt(album.key));
            child->setData(0, kCoverFile, ToQt(album.firstPath));
            if (keptArtist && kept.albumKey && *kept.albumKey == album.key) current = child;
        }
        artists.push_back(item);
    }
    tree_->addTopLevelItems(artists);
    if (current) {
        if (current->parent()) current->parent()->setExpanded(true);
        tree_->setCurrentItem(current);
    }
    if (current && current->parent()) ShowCovers(current->parent());
    // What was chosen and is no longer there: every track that passes the filter.
    TakeChoice(current);
}

}  // namespace sonvaro
