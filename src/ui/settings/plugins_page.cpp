#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/numbers.h"
#include "engine/decoder_list.h"
#include "session/remote_control.h"
#include "ui/qt_text.h"
#include "ui/settings/settings_pages.h"

namespace sonvaro {

PluginsPage::PluginsPage(SettingsPageContext& context) : SettingsPageWidget(context) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("plugins"));
    list_->setHeaderLabels({Utf8("Autor"), Utf8("Version"), Utf8("Beschreibung")});
    list_->setRootIsDecorated(false);
    list_->setColumnWidth(0, 80);
    list_->setColumnWidth(1, 50);
    layout->addWidget(list_);
}

void PluginsPage::Shown() {
    list_->clear();
    const auto add = [this](const std::string& name, uint32_t version, const std::string& description) {
        list_->addTopLevelItem(
            new QTreeWidgetItem({ToQt(name), ToQt(VersionText(version)), ToQt(description)}));
    };
    for (const audio::DecoderListing& decoder : audio::DecoderListings())
        add(decoder.name, decoder.version, decoder.formats);
    pluginRows_ = list_->topLevelItemCount();
    shownListeners_.clear();
    ShowListeners();
}

void PluginsPage::Tick() {
    ShowListeners();
}

// Programs registered over remote control follow the engine's own decoders;
// one that went away loses its row at the next tick.
void PluginsPage::ShowListeners() {
    const std::vector<ListenerWindow> listeners =
        context_.listeners ? context_.listeners() : std::vector<ListenerWindow>{};
    std::vector<uint64_t> ids;
    for (const ListenerWindow& l : listeners) ids.push_back(l.window);
    if (ids == shownListeners_) return;
    while (list_->topLevelItemCount() > pluginRows_) delete list_->takeTopLevelItem(pluginRows_);
    for (const ListenerWindow& l : listeners)
        list_->addTopLevelItem(new QTreeWidgetItem({ToQt(l.name), ToQt(VersionText(l.kind)), ToQt(l.info)}));
    shownListeners_ = std::move(ids);
}

}  // namespace sonvaro
