#include <QPushButton>
#include <QTreeWidget>

#include "core/ports/messages.h"
#include "library/statistics.h"
#include "session/application.h"
#include "ui/qt_text.h"
#include "ui/settings/settings_pages.h"

namespace sonvaro {

StatisticsPage::StatisticsPage(SettingsPageContext& context) : SettingsPageWidget(context) {
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("statistics"));
    list_->setHeaderLabels({Utf8("Eintrag"), Utf8("Wert")});
    list_->setRootIsDecorated(false);
    list_->setGeometry(0, 0, 325, 260);
    list_->setColumnWidth(0, 325 - 100 - 6);
    list_->setColumnWidth(1, 100);
    QPushButton* refresh = Button("statisticsRefresh", "Aktualisieren", "", this);
    QPushButton* reset = Button("statisticsReset", "Zurücksetzen", "", this);
    refresh->setGeometry(325 - 170, 270, 80, 25);
    reset->setGeometry(325 - 85, 270, 80, 25);
    connect(refresh, &QPushButton::clicked, this, [this] { ShowStatistics(); });
    connect(reset, &QPushButton::clicked, this, [this] {
        App().statistics.ResetStatistics(App().ports.messages);
        ShowStatistics();
    });
}

void StatisticsPage::Fill(const SettingsForm&) {
    ShowStatistics();
}

void StatisticsPage::Shown() {
    ShowStatistics();
}

void StatisticsPage::ShowStatistics() {
    const auto rows = StatisticsRows(App().data.settings);
    if (list_->topLevelItemCount() != static_cast<int>(rows.size())) {
        list_->clear();
        for (const auto& row : rows)
            list_->addTopLevelItem(new QTreeWidgetItem({ToQt(row.first), QString()}));
    }
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        list_->topLevelItem(i)->setText(1, ToQt(rows[static_cast<size_t>(i)].second));
}

}  // namespace sonvaro
