#include "Application.h"

#include <QApplication>

#include "Unit1.h"
#include "Unit2.h"
#include "core/Errors.h"
#include "core/QtBytes.h"
#include "platform/MessageBox.h"
#include "ui/ErrorDisplay.h"

namespace {

void ShowStartupReport(const Exception& error) {
    ShowStopBox({MessageBoxRequest::Kind::StartupReport, nullptr, QStringLiteral("アプリケーション エラー"),
                 ToDisplayString(StartupErrorReport(error))});
}

}  // namespace

int RunApplication(const std::function<void()>& registerControls) {
    QApplication::setApplicationName(QStringLiteral("Quilvane"));
    registerControls();
    try {
        TForm1 form1;
        TForm2 form2(&form1);
        form2.OnYes = [&form1] { form1.PerformRename(); };
        form1.SetConfirmationDialog(&form2);
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
