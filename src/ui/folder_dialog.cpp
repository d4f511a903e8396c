#include "ui/folder_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace sonvaro {

FolderDialog::FolderDialog(const QString& title, bool withRecursive, QWidget* owner) : QDialog(owner) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, withRecursive);  // the add-folder window lives until it closes
    resize(425, 295);
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QDir::rootPath());
    tree_ = new QTreeView(this);
    tree_->setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
    tree_->header()->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(tree_, 1);
    auto* row = new QHBoxLayout;
    if (withRecursive) {
        recursive_ = new QCheckBox(QStringLiteral("Mit Unterordner"), this);
        row->addWidget(recursive_);
    }
    row->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    ok->setDefault(true);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &FolderDialog::Choose);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FolderDialog::SetFolder(const QString& folder) {
    // A missing folder (no music folder yet) opens at home rather than at the root.
    QModelIndex index = model_->index(folder);
    if (!index.isValid() || !QFileInfo(folder).isDir()) index = model_->index(QDir::homePath());
    if (!index.isValid()) return;
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
}

QString FolderDialog::Folder() const {
    return model_->filePath(tree_->currentIndex());
}

void FolderDialog::SetRecursive(bool on) {
    if (recursive_) recursive_->setChecked(on);
}

bool FolderDialog::Recursive() const {
    return recursive_ && recursive_->isChecked();
}

void FolderDialog::Choose() {
    const QString folder = Folder();
    const bool recursive = Recursive();
    accept();  // the window closes (and stores its place) before the folder is walked
    if (!folder.isEmpty()) emit chosen(folder, recursive);
}

void FolderDialog::done(int result) {
    emit closing(this);
    QDialog::done(result);
}

}  // namespace sonvaro
