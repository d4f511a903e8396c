#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/command_ids.h"
#include "core/track_info.h"
#include "library/library_search.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class QAction;

namespace sonvaro {

class Application;
class LibraryBrowser;
class LibraryModel;
class ListView;

// The library layout: the search field and its options, the mode and album
// boxes, the view over the search result, its context menus and the scan
// command. The work is done by src/library; this wires widgets to it.
class LibraryController : public QObject {
    Q_OBJECT
  public:
    struct Widgets {
        QLineEdit* search;
        QPushButton* searchButton;
        QToolButton* options;
        QComboBox* mode;
        QComboBox* albums;
        ListView* list;
        QLabel* countField;   // status bar field 3
        QLabel* statusField;  // status bar field 4
    };
    // What the window does for a row's "Informationen".
    struct InformationWindow {
        std::function<void(const TrackInfo&)> show;                // the information as it is (a station)
        std::function<void(const std::string& path)> readAndShow;  // the file's tags read first
    };
    // `window`: the main window, parent of the menus and questions.
    LibraryController(Application& app, QWidget& window, Widgets widgets, InformationWindow information);

    // The library's commands; false for any other command.
    bool Run(Command command);
    // Every 80 ms: the scan's folder and progress in the status bar; the last
    // search again when the library watch changed entries.
    void Tick();
    // The rows of the view chosen in the combo, once the library is loaded.
    void ShowChosenView();
    void Search(SearchMode mode);
    LibraryModel& Model() { return *model_; }
    LibraryBrowser& Browser() { return *browser_; }
    QLineEdit* SearchField() const { return w_.search; }
    QMenu* FileMenu() const { return fileMenu_; }
    QMenu* StationMenu() const { return stationMenu_; }
    QMenu* OptionsMenu() const { return optionsMenu_; }
    QAction* Action(Command command) const;
    // The station prompt's result is given directly by tests and callers with an address.
    void AddStation(const QString& address = {});

  private:
    void BuildMenus();
    // `again`: the same search once more after changes on disk; the field,
    // the chosen album and the selected rows stay.
    void RunSearch(const SearchRequest& request, bool again);
    void CompleteSearchText(const QString& text);
    std::vector<int> SelectedRows() const;
    int FirstSelectedRow() const;
    void AddRowsToPlaylist(bool newPlaylist, bool selectedOnly);
    void SetBookmark(bool on);
    void RemoveStation();
    void ShowInformation();
    void PlayRow();
    void ToggleScan();
    void ShowSearchIn();
    void ShowCount();
    // The mode box's item: one of the searches, or the browser.
    void ChooseMode(int item);

    Application& app_;
    QWidget& window_;
    Widgets w_;
    InformationWindow information_;
    LibraryModel* model_;
    LibraryBrowser* browser_;
    QMenu* fileMenu_ = nullptr;
    QMenu* stationMenu_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    std::vector<QAction*> actions_;
    sonvaro::Autocomplete completer_;
    bool searching_ = false;
    bool scanShown_ = false;
    SearchMode lastMode_ = SearchMode::All;
    std::optional<SearchRequest> lastRequest_;
    uint64_t diskChangesSeen_ = 0;
    QElapsedTimer sinceAgain_;
};

}  // namespace sonvaro
