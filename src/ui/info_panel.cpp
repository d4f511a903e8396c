#include "ui/info_panel.h"

#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <algorithm>

#include "playback/level_display.h"
#include "ui/icons.h"
#include "ui/qt_text.h"

namespace sonvaro {
namespace {

constexpr int kHeight = 85;
constexpr int kCoverSide = kHeight - 4;
constexpr int kCoverShift = kCoverSide + 4;
// What the values need beside the captions, the level picture and the logo.
constexpr int kNaturalValueWidth = 150;

// A label that runs something when clicked.
class ClickLabel : public QLabel {
  public:
    ClickLabel(std::function<void()> onClick, QWidget* parent)
        : QLabel(parent), onClick_(std::move(onClick)) {}

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && onClick_) onClick_();
    }

  private:
    std::function<void()> onClick_;
};

}  // namespace

InfoPanel::InfoPanel(Clicks clicks, QWidget* parent) : QWidget(parent) {
    setFixedHeight(kHeight);
    setAutoFillBackground(true);
    for (int row = 0; row < 5; ++row) {
        const int y = 5 + row * 15;
        QLabel* caption = row == 0 ? new ClickLabel(clicks.firstCaption, this) : new QLabel(this);
        if (row == 0) caption->setCursor(Qt::PointingHandCursor);
        caption->setGeometry(5, y, 50, 15);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* value = new QLabel(this);
        value->setGeometry(60, y, 150, 15);
        value->setTextFormat(Qt::PlainText);
        fields_[row * 2] = caption;
        fields_[row * 2 + 1] = value;
    }
    level_ = new ClickLabel(clicks.level, this);
    level_->setFixedSize(LevelDisplay::kWidth, LevelDisplay::kHeight);
    logo_ = new ClickLabel(clicks.logo, this);
    logo_->setFixedSize(48, 48);
    logo_->setPixmap(AppIcon().pixmap(48, 48));
    logo_->setCursor(Qt::PointingHandCursor);
    cover_ = new QLabel(this);
    cover_->setGeometry(2, 2, kCoverSide, kCoverSide);
    cover_->setAlignment(Qt::AlignCenter);
    cover_->hide();
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
}

QString InfoPanel::FieldText(int field) const {
    const QLabel* label = Field(field);
    return label ? label->text() : QString();
}

void InfoPanel::SetField(int field, const QString& text) {
    QLabel* label = Field(field);
    if (label && label->text() != text) label->setText(text);
}

void InfoPanel::ShowLevel(const LevelDisplay& picture) {
    QImage image(LevelDisplay::kWidth, LevelDisplay::kHeight, QImage::Format_RGB32);
    const auto& pixels = picture.image();
    for (int y = 0; y < LevelDisplay::kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < LevelDisplay::kWidth; ++x) {
            const uint32_t c = pixels[y * LevelDisplay::kWidth + x];
            line[x] = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        }
    }
    level_->setPixmap(QPixmap::fromImage(image));
}

bool InfoPanel::LevelShown() const {
    return !level_->pixmap().isNull();
}

void InfoPanel::SetColours(int32_t background, int32_t foreground) {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, ColourFromBgr(background));
    colours.setColor(QPalette::WindowText, ColourFromBgr(foreground));
    setPalette(colours);
}

void InfoPanel::SetCover(const QImage& cover) {
    hasCover_ = !cover.isNull();
    cover_->setPixmap(hasCover_ ? QPixmap::fromImage(cover.scaled(kCoverSide, kCoverSide, Qt::KeepAspectRatio,
                                                                  Qt::SmoothTransformation))
                                : QPixmap());
    Arrange();
}

bool InfoPanel::CoverShown() const {
    return cover_->isVisible();
}

void InfoPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Arrange();
}

// The values take what the captions, the cover, the level picture and the logo leave.
void InfoPanel::Arrange() {
    const int freeWidth = width() - 275 + 4;
    const bool cover = hasCover_ && freeWidth - kCoverShift >= kNaturalValueWidth;
    cover_->setVisible(cover);
    const int shift = cover ? kCoverShift : 0;
    const int valueWidth = std::max(50, freeWidth - shift);
    for (int row = 0; row < 5; ++row) {
        fields_[row * 2]->move(5 + shift, fields_[row * 2]->y());
        fields_[row * 2 + 1]->move(60 + shift, fields_[row * 2 + 1]->y());
        fields_[row * 2 + 1]->setFixedWidth(valueWidth);
    }
    level_->move(60 + shift + valueWidth + 5, 5);
    logo_->move(width() - 48 - 2, 5);
}

}  // namespace sonvaro
