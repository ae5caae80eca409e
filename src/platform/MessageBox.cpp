#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

void ShowRealBox(const MessageBoxRequest& request) {
    // QMessageBox::critical would ring the system bell; this one stays quiet.
    QMessageBox box(request.owner);
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    box.setTextFormat(Qt::PlainText);
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

void ShowStopBox(const MessageBoxRequest& request) {
    if (Handler()) Handler()(request);
    else ShowRealBox(request);
}

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }
