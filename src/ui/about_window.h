#pragma once
#include <QDialog>
#include <cstdint>

namespace sonvaro {

// "Informationen": version, audio engine version and history.
class AboutWindow : public QDialog {
    Q_OBJECT
  public:
    // engineVersion: the audio engine's version word as it reported it at start-up.
    AboutWindow(uint32_t engineVersion, QWidget* owner);

  signals:
    void closing(QWidget* window);

  protected:
    void done(int result) override;
};

}  // namespace sonvaro
