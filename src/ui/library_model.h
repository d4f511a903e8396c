#pragma once
#include <QAbstractTableModel>
#include <array>

#include "library/library_search.h"

namespace sonvaro {

// The library view's rows: the last search result, a snapshot owned here, so
// painting needs no lock. Column 0 is hidden; then "Titel" … "Typ", or
// "Name", "Adresse", "Genre" for stations.
class LibraryModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // One reset for the whole result: the view repaints once, not per row.
    void SetResult(SearchResult result);
    const SearchResult& Result() const { return result_; }
    const SearchRow* Row(int row) const;
    void RemoveRow(int row);
    void RefreshRow(int row, const LibraryEntry& entry);

    // The text of one cell, as the view shows it.
    QString CellText(const SearchRow& row, int column) const;

    // Column alignments as stored in CMNA_: 0 left, 1 right, 2 centred.
    void SetAlignment(int column, int code);
    int Alignment(int column) const;

  private:
    SearchResult result_;
    std::array<int, 10> align_{};
};

}  // namespace sonvaro
