#include <QGridLayout>
#include <QLabel>
#include <QSlider>

#include "ui/settings/settings_pages.h"

namespace sonvaro {

TasksPage::TasksPage(SettingsPageContext& context) : SettingsPageWidget(context) {
    auto* grid = PageGrid(this);
    QLabel* caption = NamedLabel("taskTimeOutCaption", this);
    QSlider* timeOut = Slider("taskTimeOut", kTaskSecondsRange, "", this);
    grid->addWidget(caption, 0, 0);
    grid->addWidget(timeOut, 1, 0);
    grid->setRowStretch(2, 1);
    bindings_.Bind(timeOut, &SettingsForm::taskSeconds);
    bindings_.Caption(caption, timeOut, &TaskTimeOutCaption);
}

}  // namespace sonvaro
