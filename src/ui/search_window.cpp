#include "ui/search_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/application.h"
#include "ui/qt_text.h"

namespace sonvaro {

SearchWindow::SearchWindow(QWidget& main, Application& app, Playlist playlist)
    : ToolWindow(&main, QStringLiteral("Suche")), main_(main), app_(app), playlist_(std::move(playlist)) {
    resize(330, 280);
    field_ = new QComboBox(this);
    for (const char* t : {"Überall", "Titel", "Interpret", "Album", "Kommentar"})
        field_->addItem(QString::fromUtf8(t));
    text_ = new QLineEdit(this);
    button_ = new QPushButton(QStringLiteral("Suchen"), this);
    results_ = new QListWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    auto* row = new QHBoxLayout;
    row->addWidget(field_);
    row->addWidget(text_, 1);
    row->addWidget(button_);
    layout->addLayout(row);
    layout->addWidget(results_, 1);
    text_->setFocus();
    connect(button_, &QPushButton::clicked, this, &SearchWindow::Search);
    connect(text_, &QLineEdit::returnPressed, this, [this] {
        if (!text_->text().trimmed().isEmpty()) Search();
    });
    connect(results_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ResultClicked(results_->row(item)); });
    connect(results_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { ResultDoubleClicked(results_->row(item)); });
}

void SearchWindow::Search() {
    if (playlist_.busy()) return;
    const std::string text = FromQt(text_->text());
    if (app_.data.playlist.empty() || text_->text().trimmed().isEmpty()) return;
    button_->setEnabled(false);
    results_->clear();
    found_.clear();
    playlist_.holdCommands(true);
    found_ = app_.editor.SearchPlaylist(text, static_cast<SearchField>(field_->currentIndex()));
    playlist_.holdCommands(false);
    for (const auto& [row, title] : found_) results_->addItem(ToQt(title));
    text_->clear();
    button_->setEnabled(true);
}

void SearchWindow::ResultClicked(int index) {
    if (index < 0 || static_cast<size_t>(index) >= found_.size()) return;
    playlist_.selectRow(static_cast<int>(found_[index].first));
}

void SearchWindow::ResultDoubleClicked(int index) {
    ResultClicked(index);
    close();
    main_.activateWindow();
}

}  // namespace sonvaro
