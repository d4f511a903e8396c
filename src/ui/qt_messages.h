#pragma once
#include "core/messages.h"

class QWidget;

namespace sonvaro {

// The program's message boxes as Qt message boxes, with German buttons.
class QtMessages : public Messages {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override;
    bool Ask(const std::string& text, const std::string& title, MessageIcon icon) override;

  private:
    QWidget* parent_ = nullptr;
};

}  // namespace sonvaro
