#pragma once
#include <QTimer>
#include <QWidget>

#include "library/library_browse.h"

class QLineEdit;
class QImage;
class QTreeWidget;
class QTreeWidgetItem;

namespace sonvaro {

class CoverFinder;
class CoverLoader;

// The artist and album browser beside the library view: a filter field and a
// tree of artists, each with its albums (year and track count). Choosing an
// artist or an album says so; the view shows its tracks.
class LibraryBrowser : public QWidget {
    Q_OBJECT
  public:
    LibraryBrowser(Library& library, CoverFinder& covers, QWidget* parent);

    // Reads the library again under the filter, keeping the chosen artist and
    // album where they still are.
    void Rebuild();
    const BrowseChoice& Choice() const { return choice_; }
    QLineEdit* Filter() const { return filter_; }
    QTreeWidget* Tree() const { return tree_; }

  signals:
    // The tracks to show changed: another artist, album or filter.
    void choiceChanged();

  private:
    void TakeChoice(QTreeWidgetItem* item);
    // The covers of an artist's albums, asked for when the artist is opened.
    void ShowCovers(QTreeWidgetItem* artist);
    void SetCover(const std::string& file, const QImage& image);

    Library& library_;
    QLineEdit* filter_;
    QTreeWidget* tree_;
    QTimer typing_;
    CoverLoader* covers_;
    BrowseChoice choice_;
};

}  // namespace sonvaro
