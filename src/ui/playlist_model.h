#pragma once
#include <QAbstractTableModel>
#include <QIcon>
#include <array>

#include "playlist/playlist.h"

namespace sonvaro {

struct Settings;

// The playlist as the view sees it: eight columns (hidden 0, then "Titel" …
// "Typ"), texts made on demand from the entries, no copy of the rows. The
// row count is our own so that the notifications stay consistent even when
// the logic changes the list before it tells us.
class PlaylistModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    PlaylistModel(const Playlist& playlist, const Settings& settings, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;

    void Reset();
    void RowAppended();
    void RowRemoved(int row);
    void RowChanged(int row);
    void SetMarkedRow(int row, bool marked);
    int MarkedRow() const { return marked_; }
    // The column that carries the play symbol of the marked row: the first
    // one the user sees, so the row stays recognisable when it is selected.
    void SetSymbolColumn(int column);
    int SymbolColumn() const { return symbolColumn_; }

    // Column alignments as stored in CMNA_: 0 left, 1 right, 2 centred.
    void SetAlignment(int column, int code);
    int Alignment(int column) const { return align_[column]; }

  private:
    int AlignmentFlags(int column) const;

    const Playlist& playlist_;
    const Settings& settings_;
    int rows_ = 0;
    int marked_ = -1;
    int symbolColumn_ = 1;
    mutable QIcon playSymbol_;  // drawn for symbolColour_
    mutable QColor symbolColour_;
    std::array<int, 8> align_{};
};

}  // namespace sonvaro
