#pragma once
#include <QDialog>

class QCheckBox;
class QFileSystemModel;
class QTreeView;

namespace sonvaro {

// The folder chooser (window 9): a folder tree, optionally "Mit Unterordner", "OK" and "Abbrechen".
class FolderDialog : public QDialog {
    Q_OBJECT
  public:
    FolderDialog(const QString& title, bool withRecursive, QWidget* owner);

    void SetFolder(const QString& folder);
    QString Folder() const;
    void SetRecursive(bool on);
    bool Recursive() const;
    void Choose();  // what "OK" does

  signals:
    void chosen(const QString& folder, bool recursive);
    void closing(QWidget* window);

  protected:
    void done(int result) override;

  private:
    QFileSystemModel* model_;
    QTreeView* tree_;
    QCheckBox* recursive_ = nullptr;
};

}  // namespace sonvaro
