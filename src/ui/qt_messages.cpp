#include "ui/qt_messages.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "ui/qt_text.h"

namespace sonvaro {
namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Information:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QWidget* VisibleOrNull(QWidget* w) {
    return w && w->isVisible() ? w : nullptr;
}

// A modal box goes over the window the user works in: over a tool window
// of the main window when that is the active one, so the tool window gets the
// focus back when the box closes and keeps its place above the main window.
QWidget* OwnerFor(QWidget* main) {
    QWidget* active = QApplication::activeWindow();
    for (QWidget* w = active; main && w; w = w->parentWidget())
        if (w == main) return active;
    return VisibleOrNull(main);
}

// Not every window manager gives the focus back to the tool window under a closed box.
void GiveBackFocus(QWidget* owner) {
    if (owner && owner->isVisible() && owner->isWindow()) owner->activateWindow();
}

const QString kEllipsis = QStringLiteral("…");

int RowsOf(const QString& line, int rowChars) {
    return std::max<int>(1, static_cast<int>((line.size() + rowChars - 1) / rowChars));
}

QRect ScreenArea(const QWidget& box) {
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
}

// Rows and their width for the box's label on the screen it goes to. A
// message box wraps its text at about half the screen (at most 500 pixels),
// less the icon; the rows take at most half the screen's height.
struct TextRoom {
    int rows;
    int rowChars;
};
TextRoom RoomFor(const QMessageBox& box) {
    const QRect area = ScreenArea(box);
    const QFontMetrics metrics(box.font());
    const int wrap = std::min(area.width() / 2, 500) - 120;
    return {std::max(3, area.height() / 2 / std::max(1, metrics.lineSpacing())),
            std::max(16, wrap / std::max(1, metrics.averageCharWidth()))};
}

void SetFittingText(QMessageBox& box, const QString& text) {
    // Texts come from files and servers too: never read as markup.
    box.setTextFormat(Qt::PlainText);
    const TextRoom room = RoomFor(box);
    box.setText(FitMessageText(text, room.rows, room.rowChars));
}

// After the box is shown its real size is known: while it is still larger
// than the screen (a font whose letters run wider than their average), fewer
// rows are left.
void ShrinkOntoScreen(QMessageBox& box, const QString& text) {
    TextRoom room = RoomFor(box);
    const QRect area = ScreenArea(box);
    while (room.rows > 3 &&
           (box.frameGeometry().height() > area.height() || box.frameGeometry().width() > area.width())) {
        room.rows = std::max(3, room.rows * 2 / 3);
        box.setText(FitMessageText(text, room.rows, room.rowChars));
        box.adjustSize();
    }
}

}  // namespace

QString FitMessageText(const QString& text, int maxRows, int rowChars) {
    rowChars = std::max(rowChars, 2);
    maxRows = std::max(maxRows, 3);
    QStringList lines = text.split(QLatin1Char('\n'));
    const qsizetype longest = 2 * rowChars;
    for (QString& line : lines) {
        if (line.size() <= longest) continue;
        qsizetype keep = longest - 1;
        if (line.at(keep - 1).isHighSurrogate()) --keep;  // never half a character
        line = line.left(keep) + kEllipsis;
    }
    int total = 0;
    for (const QString& line : lines) total += RowsOf(line, rowChars);
    if (total <= maxRows) return lines.join(QLatin1Char('\n'));

    const QString last = lines.takeLast();
    int budget = maxRows - RowsOf(last, rowChars) - 1;  // one row for the "…"
    QStringList kept;
    for (const QString& line : lines) {
        const int rows = RowsOf(line, rowChars);
        if (rows > budget) break;
        budget -= rows;
        kept.append(line);
    }
    kept.append(kEllipsis);
    kept.append(last);
    return kept.join(QLatin1Char('\n'));
}

QtMessages::~QtMessages() {
    CloseQuestions();
}

void QtMessages::Show(const std::string& text, const std::string& title, MessageIcon icon) {
    QPointer<QWidget> owner = OwnerFor(parent_);
    QMessageBox box(QtIcon(icon), ToQt(title), QString(), QMessageBox::Ok, owner);
    SetFittingText(box, ToQt(text));
    box.exec();
    if (owner != parent_) GiveBackFocus(owner);
}

bool QtMessages::Ask(const std::string& text, const std::string& title, MessageIcon icon) {
    QPointer<QWidget> owner = OwnerFor(parent_);
    QMessageBox box(QtIcon(icon), ToQt(title), QString(), QMessageBox::NoButton, owner);
    SetFittingText(box, ToQt(text));
    QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.exec();
    if (owner != parent_) GiveBackFocus(owner);
    return box.clickedButton() == yes;
}

void QtMessages::AskLater(const std::string& text, const std::string& title, MessageIcon icon,
                          std::function<void(bool)> answered) {
    auto* box =
        new QMessageBox(QtIcon(icon), ToQt(title), QString(), QMessageBox::NoButton, VisibleOrNull(parent_));
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    const QString full = ToQt(text);
    SetFittingText(*box, full);
    QPushButton* yes = box->addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
    box->addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
    box->setDefaultButton(yes);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, yes, answered = std::move(answered)] { answered(box->clickedButton() == yes); });
    std::erase_if(questions_, [](const QPointer<QMessageBox>& q) { return q.isNull(); });
    questions_.emplace_back(box);
    box->show();
    ShrinkOntoScreen(*box, full);
}

std::vector<QMessageBox*> QtMessages::OpenQuestions() const {
    std::vector<QMessageBox*> open;
    for (const QPointer<QMessageBox>& q : questions_)
        if (q && q->isVisible()) open.push_back(q.data());
    return open;
}

void QtMessages::CloseQuestions() {
    for (QPointer<QMessageBox>& q : questions_) {
        if (!q) continue;
        QObject::disconnect(q.data(), &QMessageBox::finished, nullptr, nullptr);
        delete q.data();
    }
    questions_.clear();
}

}  // namespace sonvaro
