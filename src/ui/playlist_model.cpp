#include "ui/playlist_model.h"

#include <QBrush>
#include <QColor>

#include "playback/playlist_rows.h"
#include "settings/settings.h"
#include "ui/icons.h"
#include "ui/list_view.h"
#include "ui/qt_text.h"

namespace sonvaro {

PlaylistModel::PlaylistModel(const Playlist& playlist, const Settings& settings, QObject* parent)
    : QAbstractTableModel(parent), playlist_(playlist), settings_(settings), rows_(int(playlist.size())) {}

int PlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int PlaylistModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 8;
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
    const int row = index.row(), column = index.column();
    if (row < 0 || row >= rows_ || static_cast<size_t>(row) >= playlist_.size()) return {};
    if (role == Qt::TextAlignmentRole) return AlignmentFlags(column);
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: {
            if (column == 0) return {};
            // Only the asked cell matters, but the row helper is cheap next to painting.
            return ToQt(PlaylistRowTexts(playlist_[row].info)[column]);
        }
        case Qt::BackgroundRole:
            if (row == marked_) return QBrush(ColourFromBgr(settings_.GUI_ColorSB));
            return {};
        case Qt::ForegroundRole:
            if (row == marked_) return QBrush(ColourFromBgr(settings_.GUI_ColorST));
            return {};
        case Qt::DecorationRole:
            if (row != marked_ || column != symbolColumn_) return {};
            if (const QColor text = ColourFromBgr(settings_.GUI_ColorST);
                text != symbolColour_ || playSymbol_.isNull()) {
                playSymbol_ = PlayingRowSymbol(text);
                symbolColour_ = text;
            }
            return playSymbol_;
        default:
            return {};
    }
}

QVariant PlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kHeadings[] = {"",       "Titel", "Interpret", "Album",
                                            "Nummer", "Länge", "Jahr",      "Typ"};
    if (orientation != Qt::Horizontal || section < 0 || section >= 8) return {};
    if (role == Qt::DisplayRole) return QString::fromUtf8(kHeadings[section]);
    if (role == Qt::TextAlignmentRole) return AlignmentFlags(section);
    return {};
}

int PlaylistModel::AlignmentFlags(int column) const {
    return ColumnAlignmentFlags(align_[column]);
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
}

QStringList PlaylistModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

Qt::DropActions PlaylistModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

void PlaylistModel::Reset() {
    beginResetModel();
    rows_ = int(playlist_.size());
    if (marked_ >= rows_) marked_ = -1;
    endResetModel();
}

void PlaylistModel::RowAppended() {
    beginInsertRows({}, rows_, rows_);
    ++rows_;
    endInsertRows();
}

void PlaylistModel::RowRemoved(int row) {
    if (row < 0 || row >= rows_) return;
    beginRemoveRows({}, row, row);
    --rows_;
    if (marked_ == row)
        marked_ = -1;
    else if (marked_ > row)
        --marked_;
    endRemoveRows();
}

void PlaylistModel::RowChanged(int row) {
    if (row < 0 || row >= rows_) return;
    emit dataChanged(index(row, 0), index(row, 7));
}

void PlaylistModel::SetMarkedRow(int row, bool marked) {
    const int old = marked_;
    if (marked)
        marked_ = row;
    else if (marked_ == row)
        marked_ = -1;
    if (old != marked_) {
        RowChanged(old);
        RowChanged(marked_);
    }
}

void PlaylistModel::SetSymbolColumn(int column) {
    if (column < 1 || column >= 8 || column == symbolColumn_) return;
    const int old = symbolColumn_;
    symbolColumn_ = column;
    if (marked_ < 0) return;
    emit dataChanged(index(marked_, old), index(marked_, old), {Qt::DecorationRole});
    emit dataChanged(index(marked_, column), index(marked_, column), {Qt::DecorationRole});
}

void PlaylistModel::SetAlignment(int column, int code) {
    if (column < 0 || column >= 8) return;
    align_[column] = code;
    if (rows_ > 0) emit dataChanged(index(0, column), index(rows_ - 1, column), {Qt::TextAlignmentRole});
    emit headerDataChanged(Qt::Horizontal, column, column);
}

}  // namespace sonvaro
