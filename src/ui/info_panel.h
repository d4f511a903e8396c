// The black panel at the top of the main window: five captions with their
// values, the level picture and the logo. The first caption, the level
// picture and the logo each do something when clicked.
#pragma once
#include <QWidget>
#include <array>
#include <functional>

class QImage;
class QLabel;

namespace sonvaro {

class LevelDisplay;

class InfoPanel : public QWidget {
  public:
    struct Clicks {
        std::function<void()> firstCaption, level, logo;
    };
    InfoPanel(Clicks clicks, QWidget* parent);

    // Fields 1..10: caption and value of row 1, then of row 2, and so on.
    QLabel* Field(int field) const { return field >= 1 && field <= 10 ? fields_[field - 1] : nullptr; }
    QString FieldText(int field) const;
    void SetField(int field, const QString& text);
    void ShowLevel(const LevelDisplay& picture);
    bool LevelShown() const;
    // Colours as stored: 0x00BBGGRR.
    void SetColours(int32_t background, int32_t foreground);
    // The playing track's cover as a square at the panel's left, where the
    // values keep their natural width beside it; a null image: none, and the
    // panel as without covers.
    void SetCover(const QImage& cover);
    bool CoverShown() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::array<QLabel*, 10> fields_{};
    QLabel* level_ = nullptr;
    QLabel* logo_ = nullptr;
    QLabel* cover_ = nullptr;
    bool hasCover_ = false;
    void Arrange();
};

}  // namespace sonvaro
