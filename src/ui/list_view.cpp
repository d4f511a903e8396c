#include "ui/list_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <QUrl>

#include "core/text.h"
#include "ui/qt_text.h"

namespace sonvaro {

namespace {

// Stations on one server differ at the end of their address: a narrow
// column keeps both ends of it and leaves out the middle.
class AddressDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (IsStreamAddress(FromQt(option->text))) option->textElideMode = Qt::ElideMiddle;
    }
};

}  // namespace

ListView::ListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);  // what keeps 100,000 rows cheap to lay out
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new AddressDelegate(this));
    // Drops anywhere on the main window take one road there.
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    QHeaderView* head = header();
    head->setStretchLastSection(false);
    head->setSectionsClickable(true);
    head->setSectionsMovable(true);
    head->setMinimumSectionSize(0);
    head->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(head, &QHeaderView::sectionClicked, this, &ListView::headerClicked);
    connect(head, &QWidget::customContextMenuRequested, this, [this](QPoint pos) {
        emit headerMenuRequested(header()->logicalIndexAt(pos), header()->mapToGlobal(pos));
    });
    // A drag that opens the hidden column is put back at once.
    connect(head, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column == 0 && size != 0) header()->resizeSection(0, 0);
        CheckFirstVisibleColumn();
    });
    connect(head, &QHeaderView::sectionMoved, this, [this] { CheckFirstVisibleColumn(); });
}

int ListView::FirstVisibleColumn() const {
    const QHeaderView* head = header();
    for (int visual = 0; visual < head->count(); ++visual) {
        const int column = head->logicalIndex(visual);
        if (column > 0 && !head->isSectionHidden(column) && head->sectionSize(column) > 0) return column;
    }
    return -1;
}

void ListView::FillWithLastColumn() {
    header()->setStretchLastSection(true);
}

int ListView::OwnWidth(int column) {
    QHeaderView* head = header();
    if (!head->stretchLastSection()) return head->sectionSize(column);
    // Switched off for a moment the header gives the last column its own width back.
    head->setStretchLastSection(false);
    const int width = head->sectionSize(column);
    head->setStretchLastSection(true);
    return width;
}

void ListView::CheckFirstVisibleColumn() {
    const int column = FirstVisibleColumn();
    if (column == firstVisible_) return;
    firstVisible_ = column;
    if (column > 0) emit firstVisibleColumnChanged(column);
}

void ListView::ProtectFirstColumn() {
    if (!model() || model()->columnCount() == 0) return;
    header()->setSectionResizeMode(0, QHeaderView::Fixed);
    header()->resizeSection(0, 0);
}

void ListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit rowActivated();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        emit deletePressed();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid()) emit rowActivated();
}

void ListView::contextMenuEvent(QContextMenuEvent* event) {
    emit menuRequested(event->globalPos());
}

QString DroppedNames(const QMimeData& data) {
    QStringList names;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile()) names << url.toLocalFile();
    return names.join(QLatin1Char('\n'));
}

}  // namespace sonvaro
