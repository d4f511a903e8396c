#include "ui/autotagger_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

#include "tags/autotagger.h"
#include "ui/qt_text.h"

namespace sonvaro {

AutotaggerWindow::AutotaggerWindow(TagReader& tags, std::vector<std::string> paths, QWidget* owner)
    : ToolWindow(owner, QStringLiteral("Autotager")), tags_(tags), paths_(std::move(paths)) {
    setFixedSize(480, 320);

    files_ = new QTreeWidget(this);
    files_->setRootIsDecorated(false);
    files_->setHeaderLabels({QStringLiteral("Dateiname"), QStringLiteral("Vorschau")});
    for (const std::string& path : paths_) {
        auto* item = new QTreeWidgetItem(files_, {QFileInfo(ToQt(path)).fileName(), QString()});
        item->setToolTip(0, ToQt(path));
    }
    files_->resizeColumnToContents(0);

    pattern_ = new QLineEdit(QString::fromUtf8(Autotagger::kDefaultPattern), this);
    pattern_->setToolTip(QStringLiteral("%title %artist %album %track %year %genre %comment"));
    result_ = new QLabel(this);

    auto* run = new QPushButton(QString::fromUtf8("Ausführen"), this);
    connect(run, &QPushButton::clicked, this, &AutotaggerWindow::Run);
    auto* preview = new QPushButton(QStringLiteral("Vorschau"), this);
    connect(preview, &QPushButton::clicked, this, &AutotaggerWindow::Preview);
    connect(pattern_, &QLineEdit::returnPressed, this, &AutotaggerWindow::Preview);
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QGridLayout(this);
    layout->addWidget(files_, 0, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Musterstring"), this), 1, 0);
    layout->addWidget(pattern_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(result_, 1);
    buttons->addWidget(run);
    buttons->addWidget(preview);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 2, 0, 1, 2);
}

void AutotaggerWindow::Preview() {
    const Autotagger tagger(FromQt(pattern_->text()));
    for (int i = 0; i < files_->topLevelItemCount(); ++i)
        files_->topLevelItem(i)->setText(1, ToQt(tagger.Preview(paths_[static_cast<size_t>(i)])));
    result_->clear();
}

void AutotaggerWindow::Run() {
    Preview();
    const Autotagger tagger(FromQt(pattern_->text()));
    const std::vector<std::string> failed = tagger.Run(tags_, paths_);
    std::vector<std::string> written;
    for (const std::string& path : paths_)
        if (std::find(failed.begin(), failed.end(), path) == failed.end()) written.push_back(path);
    emit tagsWritten(written);
    result_->setText(QString::fromUtf8("%1 von %2 Dateien geändert")
                         .arg(paths_.size() - failed.size())
                         .arg(paths_.size()));
}

}  // namespace sonvaro
