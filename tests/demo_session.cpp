// SPDX-License-Identifier: GPL-3.0-or-later
// `make demo`: the real program on a real display (Xvfb), driven through a
// short session like a user's; a screenshot of the screen after each step.
#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QScreen>
#include <QTest>
#include <QPointer>
#include <QTimer>
#include <cstdio>

#include "qt/Application.h"
#include "qt/Unit1.h"
#include "qt/Unit2.h"
#include "qt/QtBytes.h"
#include "support/Fixtures.h"
#include "qt/ByteControls.h"
#include "names/NameSuggestions.h"
#include "qt/ErrorDisplay.h"
#include "qt/HistoryWindow.h"
#include "qt/PdfViewerControl.h"
#include "qt/PlatformServices.h"

namespace {

QString shotFolder;
int shotNumber = 0;

void Settle(int ms = 300) {
    QTest::qWait(ms);
}

void Shot(const char* name) {
    Settle();
    const QString file = QStringLiteral("%1/%2-%3.png").arg(shotFolder).arg(++shotNumber, 2, 10, QLatin1Char('0')).arg(name);
    QGuiApplication::primaryScreen()->grabWindow(0).save(file);
    std::printf("screenshot %s\n", qPrintable(file));
}

void WriteDocument(const Bytes& path, const QString& title, const QString& body, bool landscape);

// A scanned-looking document: a heading, a few lines, a table.
void MakeDocument(const Bytes& path, const QString& title, const QString& body, bool landscape) {
    const Bytes twin = path.substr(0, path.rfind('/') + 1) + ".writing.pdf";  // QPdfWriter cannot name every byte
    WriteDocument(twin, title, body, landscape);
    std::rename(twin.c_str(), path.c_str());
}

void WriteDocument(const Bytes& path, const QString& title, const QString& body, bool landscape) {
    QPdfWriter writer(QString::fromUtf8(path.c_str()));
    writer.setResolution(72);
    writer.setPageSize(QPageSize(landscape ? QSizeF(842, 595) : QSizeF(595, 842), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&writer);
    const int w = landscape ? 842 : 595;
    p.fillRect(QRectF(0, 0, w, landscape ? 595 : 842), QColor(252, 251, 247));
    p.setFont(QFont(QStringLiteral("IPAGothic"), 28));
    p.drawText(QRectF(60, 60, w - 120, 50), Qt::AlignCenter, title);
    p.setFont(QFont(QStringLiteral("IPAPGothic"), 12));
    p.drawText(QRectF(60, 140, w - 120, 80), Qt::TextWordWrap, body);
    for (int row = 0; row < 8; ++row) {
        p.drawRect(QRectF(60, 240 + row * 28, w - 120, 28));
        p.drawText(QRectF(70, 240 + row * 28, 200, 28), Qt::AlignVCenter, QStringLiteral("項目 %1").arg(row + 1));
        p.drawText(QRectF(w - 200, 240 + row * 28, 120, 28), Qt::AlignVCenter | Qt::AlignRight,
                   QStringLiteral("¥%1").arg((row + 3) * 1250));
    }
}

// A click on the list row that holds `name`.
void ClickRow(TForm1& form, const Bytes& name) {
    for (int row = 0; row < form.ListBox1->Count(); ++row) {
        if (form.ListBox1->Item(row) != name) continue;
        const QRect at = form.ListBox1->visualRect(form.ListBox1->model()->index(row, 0));
        QTest::mouseClick(form.ListBox1->viewport(), Qt::LeftButton, {}, at.center());
        return;
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    InstallQtPlatformServices();
    QApplication application(argc, argv);
    SetUpApplication();
    RegisterPdfViewerControl();
    shotFolder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("demo");
    QDir().mkpath(shotFolder);

    TempDir dir;
    MakeDocument(dir / "scan0001.pdf", QStringLiteral("請求書"), QStringLiteral("株式会社見本商事 御中　　　請求書番号：INV-2026-1130\n"
                                                                         "発行日：2026年11月30日　　発行元：株式会社サンプル技研\n"
                                                                         "2026年11月分のご請求です。"), false);
    MakeDocument(dir / "scan0002.pdf", QStringLiteral("納品書"), QStringLiteral("有限会社テスト 御中\n下記の通り納品いたしました。"), false);
    MakeDocument(dir / "scan0003.pdf", QStringLiteral("見積書"), QStringLiteral("横長の見積書です。"), true);
    MakeDocument(dir / "scan0010.pdf", QStringLiteral("領収書"), QStringLiteral("上記正に領収いたしました。"), false);
    // A name from a Windows archive: Shift-JIS bytes, not valid UTF-8.
    MakeDocument(dir / (ShiftJis("表紙") + ".pdf"), QStringLiteral("表紙"), QStringLiteral("Shift-JIS の名前"), false);
    MakeMp3(dir / "rec001.mp3", 3000);
    MakeMp3(dir / "rec002.mp3", 3000);

    TForm1 form1;
    TForm2 form2(&form1);
    form2.OnYes = [&form1] { form1.PerformRename(); };
    form1.SetConfirmationDialog(&form2);
    NameSuggestions names([&form1](std::function<void()> task) { QMetaObject::invokeMethod(&form1, std::move(task)); },
                          [&form1](const Bytes& path, const FileNames& found) { form1.Logic.NamesRead(path, found); });
    form1.SetNameSource(&names);
    SetApplicationWindow(&form1);
    const auto realOpenDialog = form1.ExecuteOpenDialog;
    Bytes nextOpen;
    form1.ExecuteOpenDialog = [&nextOpen](TOpenDialog& dialog) {
        dialog.FileName = nextOpen;
        return !nextOpen.empty();
    };
    // A box the script did not expect, still up at two checks in a row, is
    // reported and closed, so the demo never hangs; one the script closes
    // itself is left alone even if a check comes just as it opens.
    QTimer watchdog;
    QPointer<QWidget> seen;
    QObject::connect(&watchdog, &QTimer::timeout, [&seen] {
        QWidget* box = QApplication::activeModalWidget();
        if (box != nullptr && box == seen) {
            std::printf("unexpected window closed: %s\n", qPrintable(box->windowTitle()));
            box->close();
            box = nullptr;
        }
        seen = box;
    });
    watchdog.start(1500);
    form1.Show();
    Shot("start");

    nextOpen = dir / "scan0001.pdf";
    form1.B_Open->click();
    Shot("opened");

    // The candidates read from the page, opened from the keyboard.
    form1.E_Rename->setFocus();
    if (!QTest::qWaitFor([&] { return form1.NameList().count() > 1; }, 10000)) std::printf("no name candidates read\n");
    QTest::keyClick(form1.E_Rename, Qt::Key_Down, Qt::AltModifier);
    Shot("name-candidates");
    QTest::keyClick(&form1.NameList(), Qt::Key_Escape);

    form1.E_Rename->setFocus();
    form1.E_Rename->selectAll();
    // Japanese arrives from the input method as committed text.
    QInputMethodEvent typed;
    typed.setCommitString(QStringLiteral("請求書_2026年11月_サンプル"));
    QApplication::sendEvent(form1.E_Rename, &typed);
    Shot("typed");

    ClickRow(form1, "scan0002.pdf");
    Shot("picked-next");

    form1.NH1->trigger();
    form1.NT1->trigger();
    Shot("fit-width-toolbar");

    form1.NH0->trigger();
    form1.NT0->trigger();
    ClickRow(form1, "scan0003.pdf");
    Shot("landscape-fit");
    // Every fit mode on the landscape page, then on a portrait one.
    const char* fits[] = {"fit", "fit-h", "fit-v", "fit-b", "fit-bh", "fit-bv"};
    QAction* fitItems[] = {form1.NH0, form1.NH1, form1.NH2, form1.NH3, form1.NH4, form1.NH5};
    for (int i = 0; i < 6; ++i) {
        fitItems[i]->trigger();
        Shot((std::string("landscape-") + fits[i]).c_str());
    }
    ClickRow(form1, "scan0010.pdf");
    for (int i = 0; i < 6; ++i) {
        fitItems[i]->trigger();
        Shot((std::string("portrait-") + fits[i]).c_str());
    }
    form1.NH0->trigger();
    ClickRow(form1, "scan0003.pdf");

    // Confirmation on: the dialog over the window.
    form1.N_R1->trigger();
    SetText(form1.E_Rename, "見積書_横長");
    QTimer::singleShot(400, [&] {
        Shot("confirm");
        form2.Button2->click();
    });
    form1.B_Rename->click();
    form1.N_R1->trigger();

    // A forbidden character: the error box.
    SetText(form1.E_Rename, "見積書:横長");
    QTimer::singleShot(400, [&] {
        Shot("forbidden");
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    form1.B_Rename->click();

    SetText(form1.E_Rename, form1.CurrentStem);  // the proposed name back: nothing to rename
    ClickRow(form1, ShiftJis("表紙") + ".pdf");
    Shot("shift-jis-name");

    // A refused rename: a folder holds the name. The long message wraps between words.
    MakeFolder(dir / "表紙_2026年度_株式会社サンプル御中_最終版.pdf");
    SetText(form1.E_Rename, "表紙_2026年度_株式会社サンプル御中_最終版");
    QTimer::singleShot(400, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) box->raise();  // no window manager keeps it on top
        Shot("refused-rename");
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    form1.B_Rename->click();

    // The File menu with undo, and this session's renames.
    form1.File1->popup(form1.mapToGlobal(form1.MainMenu1->actionGeometry(form1.File1->menuAction()).bottomLeft()));
    Shot("file-menu");
    form1.File1->hide();
    form1.N_History->trigger();
    form1.HistoryWindow().move(form1.geometry().center() - QPoint(100, 60));
    Shot("history");
    form1.HistoryWindow().close();

    // A damaged file: the viewer says so inside itself.
    WriteFile(dir / "damaged.pdf", "%PDF-1.4 this file was cut short");
    nextOpen = dir / "damaged.pdf";
    form1.B_Open->click();
    Shot("damaged-pdf");

    // The user's own scheme: two invoices named by hand, and the third one's
    // name composed from its page in the same scheme.
    MakeFolder(dir / "invoices");
    const struct {
        const char* file;
        const char* date;
        const char* sender;
        const char* number;
    } invoices[] = {{"scan0101.pdf", "2026年11月30日", "株式会社サンプル技研", "INV-1130"},
                    {"scan0102.pdf", "2026年12月1日", "株式会社青葉システム", "A-2041"},
                    {"scan0103.pdf", "令和8年12月4日", "有限会社山田商店", "Y-0077"},
                    {"scan0104.pdf", "2026年12月8日", "合同会社みどり企画", "M-310"}};
    for (const auto& invoice : invoices)
        MakeDocument(dir / (Bytes("invoices/") + invoice.file), QStringLiteral("請求書"),
                     QStringLiteral("株式会社見本商事 御中　　　請求書番号：%1\n発行日：%2　　発行元：%3\nご請求申し上げます。")
                         .arg(QString::fromUtf8(invoice.number), QString::fromUtf8(invoice.date), QString::fromUtf8(invoice.sender)),
                         false);
    nextOpen = dir / "invoices/scan0101.pdf";
    form1.B_Open->click();
    for (const char* given : {"2026-11-30_請求書_サンプル技研", "2026-12-01_請求書_青葉システム"}) {
        if (!QTest::qWaitFor([&] { return form1.NameList().count() > 1; }, 10000)) std::printf("no name candidates read\n");
        form1.E_Rename->setFocus();
        form1.E_Rename->selectAll();
        QInputMethodEvent name;
        name.setCommitString(QString::fromUtf8(given));
        QApplication::sendEvent(form1.E_Rename, &name);
        QTest::keyClick(form1.E_Rename, Qt::Key_Return);
    }
    if (!QTest::qWaitFor([&] { return form1.NameList().count() > 1; }, 10000)) std::printf("no name composed\n");
    form1.E_Rename->setFocus();
    QTest::keyClick(form1.E_Rename, Qt::Key_Down, Qt::AltModifier);
    Shot("scheme");
    QTest::keyClick(&form1.NameList(), Qt::Key_Escape);
    form1.N_FillProposed->trigger();
    Shot("scheme-in-the-box");
    form1.N_FillProposed->trigger();

    form1.Mode1->trigger();
    nextOpen = dir / "rec001.mp3";
    form1.B_Open->click();
    Settle(700);
    Shot("mp3-playing");

    // The real open dialog, offering the last PDF again; two names that one
    // lossy decoding would make the same show apart.
    form1.Mode0->trigger();
    WriteFile(dir / "\x88\x9F.pdf", "x");
    WriteFile(dir / "\x88\xA0.pdf", "x");
    form1.ExecuteOpenDialog = realOpenDialog;
    QTimer::singleShot(600, [&] {
        Shot("open-dialog");
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
    });
    form1.O1->trigger();

    std::printf("final names:");
    for (const Bytes& name : ListNames(dir.Path())) std::printf(" %s", name.c_str());
    std::printf("\n");
    return 0;
}
