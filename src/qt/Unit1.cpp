// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/Unit1.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "qt/Unit2.h"
#include "qt/ErrorDisplay.h"
#include "qt/HistoryWindow.h"
#include "qt/MenuItem.h"
#include "qt/OpenFileDialog.h"

TForm1::SetUpLayout::SetUpLayout(TForm1* form) { form->setupUi(form); }

TForm1::TForm1(QWidget* parent, MciApi& mci)
    : QMainWindow(parent),
      Logic({window_, b_Open_, b_Rename_, e_Filename_, e_Rename_, l_format_, sb1_, cb2_, *ListBox1, *AcroPDF1, mode0_,
             mode1_, nh0_, nh1_, nh2_, nh3_, nh4_, nh5_, nt0_, nt1_, n_R1_, n_R2_, n_Undo_, boxes_, nameList_, n_Names_,
             n_FillProposed_},
            mci) {
    // A caption of "-" is a separator, as in the layout's menu.
    for (QAction* item : findChildren<QAction*>()) {
        if (item->text() == QLatin1String("-")) {
            item->setText({});  // a separator with text would be drawn as a section title
            item->setSeparator(true);
        }
    }
    // The style sheet's font measures a shortcut narrower than it is drawn, so
    // the File menu's captions were cut short beside "Ctrl+Shift+Z".
    // Measured at the first opening, not while the window comes up.
    connect(File1, &QMenu::aboutToShow, this, [this] {
        if (File1->minimumWidth() > 0) return;
        const QString undoKeys = N_Undo->shortcut().toString(QKeySequence::NativeText);
        File1->setMinimumWidth(File1->sizeHint().width() + QFontMetrics(QApplication::font(File1)).horizontalAdvance(undoKeys));
    });
    L_format->adjustSize();
    // The client area below the menu is 814 x 494, the layout's panels side by side.
    resize(814, 494 + MainMenu1->sizeHint().height());
    ExecuteOpenDialog = [this](TOpenDialog& dialog) {
        return ChooseFileToOpen(this, dialog.Filter, dialog.FileName);
    };
    Logic.ExecuteFolderDialog = [this](Bytes& folder) { return ChooseFolder(this, folder); };
    BindHandlers();
}

TForm1::~TForm1() = default;

void TForm1::BindHandlers() {
    const std::pair<QAction*, void (Form1Logic::*)()> items[] = {
        {O1, &Form1Logic::O1Click},       {Q1, &Form1Logic::Q1Click},       {NH0, &Form1Logic::NH0Click},
        {NH1, &Form1Logic::NH1Click},     {NH2, &Form1Logic::NH2Click},     {NH3, &Form1Logic::NH3Click},
        {NH4, &Form1Logic::NH4Click},     {NH5, &Form1Logic::NH5Click},     {NT0, &Form1Logic::NT0Click},
        {NT1, &Form1Logic::NT1Click},     {N_R1, &Form1Logic::N_R1Click},   {N_R2, &Form1Logic::N_R2Click},
        {Mode0, &Form1Logic::Mode0Click}, {Mode1, &Form1Logic::Mode1Click}, {N_Trash, &Form1Logic::N_TrashClick},
        {N_Move, &Form1Logic::N_MoveClick},   {N_MoveTarget, &Form1Logic::N_MoveTargetClick},
    };
    for (const auto& [item, handler] : items) BindMenuItem(item, [this, handler = handler] { (Logic.*handler)(); });
    connect(B_Open, &QPushButton::clicked, this, [this] { RunHandler([this] { Logic.B_OpenClick(); }); });
    connect(B_Rename, &QPushButton::clicked, this, [this] { RunHandler([this] { Logic.B_RenameClick(); }); });
    connect(SB1, &QToolButton::clicked, this, [this] { RunHandler([this] { Logic.SB1Click(); }); });
    ListBox1->OnClick = [this] { Logic.ListBox1Click(); };
    BindMenuItem(N_Undo, [this] { Logic.N_UndoClick(); });
    BindMenuItem(N_History, [this] {
        HistoryWindow().show();
        HistoryWindow().raise();
    });
    BindMenuItem(N_Names, [this] { Logic.N_NamesClick(); });
    BindMenuItem(N_FillProposed, [this] { Logic.N_FillProposedClick(); });
    nameList_.OnChoose = [this](int row) { Logic.NameListChoose(row); };
    Logic.OnJournalChanged = [this] {
        if (history_ != nullptr) history_->Refresh();
    };
    E_Rename->installEventFilter(this);
    ListBox1->installEventFilter(this);
}

THistoryWindow& TForm1::HistoryWindow() {
    if (history_ == nullptr) history_ = new THistoryWindow(this, Logic);
    return *history_;
}

// Enter in the name box renames and steps to the next file, Shift+Enter to
// the previous one. Alt+Down in the name box opens its list of candidates.
// Ctrl+Down and Ctrl+Up in the name box step the last rename's number. The
// undo shortcut is also the box's own redo key on some platforms: in the box,
// where the user mostly is, it undoes the rename.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The icon is drawn from its SVG at every size the window manager takes:
    // after the first frame, which the first exposure paints.
    if (watched == static_cast<QObject*>(windowHandle()) && event->type() == QEvent::Expose) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { setWindowIcon(QIcon(QStringLiteral(":/quilvane.svg"))); });
    }
    // Delete in the list puts the current file in the trash, as the menu does.
    if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            N_Trash->trigger();
            return true;
        }
    }
    if (watched == E_Rename && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0) {
            // Type, Enter, type, Enter: the next proposed name is selected, ready to be typed over.
            RunHandler([this, step = key->modifiers() & Qt::ShiftModifier ? -1 : 1] { Logic.E_RenameEnter(step); });
            E_Rename->setFocus();
            E_Rename->selectAll();
            return true;
        }
        if (key->modifiers() == Qt::AltModifier && key->key() == Qt::Key_Down) {
            nameList_.Open();
            return true;
        }
        if (key->modifiers() == Qt::ControlModifier && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up)) {
            Logic.StepSeries(key->key() == Qt::Key_Down ? 1 : -1);
            return true;
        }
        if (QKeySequence(key->keyCombination()) == N_Undo->shortcut()) {
            if (N_Undo->isEnabled()) N_Undo->trigger();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::Show(Qt::WindowStates state) {
    AcroPDF1->Activate();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    setWindowState(state);
    if (windowIcon().cacheKey() == QApplication::windowIcon().cacheKey()) {
        create();
        windowHandle()->installEventFilter(this);
    }
    show();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    RunHandler([this] { Logic.FormResize(); });
}

void TForm1::SetConfirmationDialog(TForm2* form2) { Logic.Form2 = form2 != nullptr ? &form2->Logic : nullptr; }
