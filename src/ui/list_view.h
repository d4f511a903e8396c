#pragma once
#include <QTreeView>

class QMimeData;

namespace sonvaro {

// The local files and folders of a drop, one per line, as the adding logic takes them.
QString DroppedNames(const QMimeData& data);

// The report-style list: header clicks sort, header right-clicks ask for the
// alignment menu, column 0 stays closed, files can be dropped.
class ListView : public QTreeView {
    Q_OBJECT
  public:
    explicit ListView(QWidget* parent = nullptr);
    // Keeps column 0 at width 0; called again whenever the model is set.
    void ProtectFirstColumn();

  signals:
    void headerClicked(int column);
    void headerMenuRequested(int column, QPoint globalPos);
    void rowActivated();
    void menuRequested(QPoint globalPos);
    void namesDropped(const QString& names);  // one name per line

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

}  // namespace sonvaro
