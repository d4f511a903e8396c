#pragma once
#include <QTreeView>

class QMimeData;

namespace sonvaro {

// The local files and folders of a drop, one per line, as the adding logic takes them.
QString DroppedNames(const QMimeData& data);

// A column's stored alignment code (0 left, 1 right, 2 centred) as the view draws it.
inline int ColumnAlignmentFlags(int code) {
    const Qt::AlignmentFlag horizontal = code == 1   ? Qt::AlignRight
                                         : code == 2 ? Qt::AlignHCenter
                                                     : Qt::AlignLeft;
    return int(horizontal | Qt::AlignVCenter);
}

// The report-style list: header clicks sort, header right-clicks ask for the
// alignment menu, column 0 stays closed. Drops are the main window's.
class ListView : public QTreeView {
    Q_OBJECT
  public:
    explicit ListView(QWidget* parent = nullptr);
    // Keeps column 0 at width 0; called again whenever the model is set.
    void ProtectFirstColumn();
    // The leftmost column shown (column 0 and closed columns skipped), -1 for none.
    int FirstVisibleColumn() const;
    // The last column takes the rest of a wide view.
    void FillWithLastColumn();
    // A column's own width, the one to store: the last column's without the
    // room it takes while filling the view.
    int OwnWidth(int column);

  signals:
    void headerClicked(int column);
    void headerMenuRequested(int column, QPoint globalPos);
    void rowActivated();
    void menuRequested(QPoint globalPos);
    void deletePressed();
    // Columns were moved, opened or closed so that another one is leftmost.
    void firstVisibleColumnChanged(int column);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void CheckFirstVisibleColumn();
    int firstVisible_ = -1;
};

}  // namespace sonvaro
