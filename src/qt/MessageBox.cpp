// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/MessageBox.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <algorithm>

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

QuestionHandler& Questions() {
    static QuestionHandler handler;
    return handler;
}

bool IsHiragana(QChar c) { return c.unicode() >= 0x3041 && c.unicode() <= 0x309F; }
bool IsKatakana(QChar c) { return c.unicode() >= 0x30A0 && c.unicode() <= 0x30FF; }
bool IsKanji(QChar c) { return (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) || c.unicode() == 0x3005; }

// May a line end between `before` and `after`?
bool MayBreakBetween(QChar before, QChar after) {
    static const QString closing = QStringLiteral(" 、。，．」』）)］]：:！!？?");
    static const QString opening = QStringLiteral("「『（(［[");
    if (closing.contains(before) && !closing.contains(after)) return true;
    if (opening.contains(after) && !opening.contains(before)) return true;
    return IsHiragana(before) && (IsKanji(after) || IsKatakana(after));
}

QString WrapLine(const QString& line, const std::function<int(const QString&)>& widthOf, int maxWidth) {
    QString wrapped;
    int start = 0;
    while (widthOf(line.mid(start)) > maxWidth) {
        int end = start + 1;  // line[start, end) fits; line[end] would not
        while (widthOf(line.mid(start, end + 1 - start)) <= maxWidth) ++end;
        int cut = end;
        while (cut > start && !MayBreakBetween(line[cut - 1], line[cut])) --cut;
        if (cut == start) cut = end - (line[end].isLowSurrogate() && end - 1 > start ? 1 : 0);
        wrapped += line.mid(start, cut - start).trimmed() + QLatin1Char('\n');
        start = cut;
        while (start < line.size() && line[start] == QLatin1Char(' ')) ++start;
    }
    return wrapped + line.mid(start);
}

// Ctrl+C copies the box as text, laid out as Windows does, for pasting into a report.
void CopyOnCtrlC(QMessageBox& box) {
    auto* copy = new QShortcut(QKeySequence::Copy, &box);
    QObject::connect(copy, &QShortcut::activated, &box, [&box] {
        const QString rule = QStringLiteral("---------------------------\n");
        QString buttons;
        for (QAbstractButton* button : box.buttons()) buttons += button->text() + QStringLiteral("   ");
        QApplication::clipboard()->setText(rule + box.windowTitle() + '\n' + rule + box.text() + '\n' + rule +
                                           buttons + '\n' + rule);
    });
}

void ShowRealBox(const MessageBoxRequest& request) {
    // QMessageBox::critical would ring the system bell; this one stays quiet.
    QMessageBox box(request.owner);
    box.setWindowTitle(request.caption);
    // Wrapped here, narrower than the box's own limit, so Qt does not break
    // inside a Japanese word.
    const int screenWidth = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry().width() : 800;
    const QFontMetrics metrics(box.font());
    box.setText(WrapAtNaturalBreaks(request.text, [&](const QString& s) { return metrics.horizontalAdvance(s); },
                                    std::min(screenWidth / 2, 500) - 120));
    box.setTextFormat(Qt::PlainText);
    CopyOnCtrlC(box);
    box.setIconPixmap(QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(static_cast<QAbstractButton*>(ok));
    box.setWindowModality(Qt::ApplicationModal);
    box.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        box.move(area.center() - QPoint(box.width() / 2, box.height() / 2));
    }
    box.exec();
}

}  // namespace

QString WrapAtNaturalBreaks(const QString& text, const std::function<int(const QString&)>& widthOf, int maxWidth) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) line = WrapLine(line, widthOf, maxWidth);
    return lines.join(QLatin1Char('\n'));
}

void ShowStopBox(const MessageBoxRequest& request) {
    if (Handler()) Handler()(request);
    else ShowRealBox(request);
}

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }

bool AskYesNoBox(const MessageBoxRequest& request) {
    if (Questions()) return Questions()(request);
    QMessageBox box(QMessageBox::Question, request.caption, request.text, QMessageBox::NoButton, request.owner);
    QPushButton* yes = box.addButton(QStringLiteral("はい"), QMessageBox::YesRole);
    box.setEscapeButton(box.addButton(QStringLiteral("いいえ"), QMessageBox::NoRole));
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

void SetQuestionHandler(QuestionHandler handler) { Questions() = std::move(handler); }
