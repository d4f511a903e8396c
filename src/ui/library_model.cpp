#include "ui/library_model.h"

#include "core/clock.h"
#include "core/duration.h"
#include "playback/format_names.h"
#include "ui/list_view.h"
#include "ui/qt_text.h"

namespace sonvaro {

namespace {
constexpr int kColumns = 10;

QString Positive(long long value) {
    return value < 1 ? QString() : QString::number(value);
}
}  // namespace

int LibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(result_.rows.size());
}

int LibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QString LibraryModel::CellText(const SearchRow& row, int column) const {
    const auto text = [&](RowField field) {
        const std::string_view value = result_.Text(row, field);
        return QString::fromUtf8(value.data(), qsizetype(value.size()));
    };
    if (column == 8)
        return row.lastPlayed < 1 ? QString()
                                  : ToQt(FormatDatePattern("%dd.%mm.%yy %hh:%ii:%ss", row.lastPlayed));
    if (column == 7) return Positive(row.playCount);
    if (result_.mode == SearchMode::Stations) {
        switch (column) {
            case 1:
                return text(RowField::Title);
            case 2:
                return text(RowField::Address);
            case 3:
                return text(RowField::Genre);
            default:
                return {};
        }
    }
    switch (column) {
        case 1:
            return text(RowField::Title);
        case 2:
            return text(RowField::Artist);
        case 3:
            return text(RowField::Album);
        case 4:
            return Positive(row.trackNumber);
        case 5:
            return row.length < 1 ? QString() : ToQt(FormatDuration(row.length));
        case 6:
            return Positive(row.year);
        case 9:
            return row.channelType < 1 ? QString() : ToQt(FormatName(row.channelType, false));
        default:
            return {};
    }
}

QVariant LibraryModel::data(const QModelIndex& index, int role) const {
    const SearchRow* row = Row(index.row());
    if (!row) return {};
    if (role == Qt::TextAlignmentRole) return ColumnAlignmentFlags(Alignment(index.column()));
    if (role != Qt::DisplayRole) return {};
    return CellText(*row, index.column());
}

QVariant LibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole) return ColumnAlignmentFlags(Alignment(section));
    if (role != Qt::DisplayRole) return {};
    static const char* const kTracks[kColumns] = {
        "",     "Titel",      "Interpret",          "Album", "Nummer", "Länge",
        "Jahr", "Abgespielt", "Zuletzt Abgespielt", "Typ"};
    if (section < 0 || section >= kColumns) return {};
    if (result_.mode == SearchMode::Stations && section >= 1 && section <= 3) {
        static const char* const kStations[3] = {"Name", "Adresse", "Genre"};
        return QString::fromUtf8(kStations[section - 1]);
    }
    return QString::fromUtf8(kTracks[section]);
}

void LibraryModel::SetAlignment(int column, int code) {
    if (column < 0 || column >= kColumns || code < 0 || code > 2) return;
    align_[column] = code;
    if (rowCount() > 0)
        emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int LibraryModel::Alignment(int column) const {
    return column >= 0 && column < kColumns ? align_[column] : 0;
}

void LibraryModel::SetResult(SearchResult result) {
    beginResetModel();
    result_ = std::move(result);
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

const SearchRow* LibraryModel::Row(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= result_.rows.size()) return nullptr;
    return &result_.rows[static_cast<size_t>(row)];
}

void LibraryModel::RemoveRow(int row) {
    if (!Row(row)) return;
    beginRemoveRows({}, row, row);
    result_.rows.erase(result_.rows.begin() + row);
    endRemoveRows();
}

void LibraryModel::RefreshRow(int row, const LibraryEntry& entry) {
    if (!Row(row)) return;
    result_.Fill(result_.rows[static_cast<size_t>(row)], entry);
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

}  // namespace sonvaro
