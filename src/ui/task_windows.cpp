#include "ui/task_windows.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "companions/scheduled_task.h"

namespace sonvaro {

TaskChangeWindow::TaskChangeWindow(QWidget* owner, int trigger, int action)
    : ToolWindow(owner, QStringLiteral("Aufgabe")) {
    setFixedSize(380, 205);
    (new QLabel(QStringLiteral("Auslöser"), this))->setGeometry(5, 5, 180, 15);
    trigger_ = new QComboBox(this);
    trigger_->setGeometry(5, 20, 180, 22);
    for (const char* text : kTaskTriggerTexts) trigger_->addItem(QString::fromUtf8(text));
    (new QLabel(QStringLiteral("Aufgabe"), this))->setGeometry(195, 5, 180, 15);
    action_ = new QComboBox(this);
    action_->setGeometry(190, 20, 185, 22);
    for (const char* text : kTaskActionTexts) action_->addItem(QString::fromUtf8(text));
    trigger_->setCurrentIndex(trigger >= 0 && trigger < trigger_->count() ? trigger : 0);
    action_->setCurrentIndex(action >= 0 && action < action_->count() ? action : 0);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setGeometry(210, 175, 80, 25);
    ok_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setGeometry(295, 175, 80, 25);
    connect(ok_, &QPushButton::clicked, this, [this] {
        emit chosen(trigger_->currentIndex(), action_->currentIndex());
        close();
    });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

TaskRunWindow::TaskRunWindow(QWidget* owner) : ToolWindow(owner, QStringLiteral("Aufgabe Ausführen..")) {
    setFixedSize(245, 35);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(100);
    bar_->setTextVisible(false);
    bar_->setGeometry(5, 5, 150, 25);
    stop_ = new QPushButton(QStringLiteral("STOP"), this);
    stop_->setGeometry(160, 5, 80, 25);
    connect(stop_, &QPushButton::clicked, this, &QWidget::close);
}

void TaskRunWindow::SetProgress(int percent) {
    bar_->setValue(std::clamp(percent, 0, 100));
}

}  // namespace sonvaro
