// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/Application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QTranslator>

#include "qt/Unit1.h"
#include "qt/Unit2.h"
#include "core/Errors.h"
#include "qt/QtBytes.h"
#include "qt/MessageBox.h"
#include "qt/ErrorDisplay.h"
#include "names/NameSuggestions.h"

namespace {

void ShowStartupReport(const Exception& error) {
    ShowStopBox({MessageBoxRequest::Kind::StartupReport, nullptr, QStringLiteral("アプリケーション エラー"),
                 ToDisplayString(StartupErrorReport(error))});
}

// The style's icons are image files, and the first one read makes Qt load
// every image plug-in: some 5 ms before the first frame, for the arrows of
// the menu bar's overflow button. Those two are drawn here instead.
class DrawnArrowsStyle final : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override {
        if (icon != SP_ToolBarHorizontalExtensionButton && icon != SP_ToolBarVerticalExtensionButton)
            return QProxyStyle::standardIcon(icon, option, widget);
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QApplication::palette().color(QPalette::WindowText), 1.5));
        if (icon == SP_ToolBarVerticalExtensionButton) painter.translate(16, 0), painter.rotate(90);
        for (const qreal x : {4.0, 9.0}) painter.drawPolyline(QPolygonF({QPointF(x, 4), QPointF(x + 3, 8), QPointF(x, 12)}));
        return QIcon(pixmap);
    }
};

}  // namespace

void SetUpApplication() {
    QApplication::setApplicationName(QStringLiteral("Quilvane"));
    QApplication::setStyle(new DrawnArrowsStyle);
    // The interface is Japanese, and so are the texts of Qt's own boxes and buttons.
    static QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
}

int RunApplication(const std::function<void()>& registerControls) {
    SetUpApplication();
    registerControls();
    try {
        TForm1 form1;
        TForm2 form2(&form1);
        form2.OnYes = [&form1] { form1.PerformRename(); };
        form1.SetConfirmationDialog(&form2);
        // Stopped before the window goes: its results are posted to the window.
        NameSuggestions names(
            [&form1](std::function<void()> task) { QMetaObject::invokeMethod(&form1, std::move(task), Qt::QueuedConnection); },
            [&form1](const Bytes& path, const FileNames& found) { form1.Logic.NamesRead(path, found); });
        form1.SetNameSource(&names);
        SetApplicationWindow(&form1);
        form1.Show();
        return QApplication::exec();
    } catch (const Exception& error) {
        ShowStartupReport(error);
        return 1;
    } catch (const std::exception& error) {
        ShowStartupReport(Exception(error.what()));
        return 1;
    }
}
