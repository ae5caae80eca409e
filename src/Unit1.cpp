#include "Unit1.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "Unit2.h"
#include "core/Errors.h"
#include "core/FileNameCheck.h"
#include "core/Paths.h"
#include "ui/QtBytes.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "ui/ByteControls.h"
#include "ui/ErrorDisplay.h"
#include "ui/MenuItem.h"
#include "ui/OpenFileDialog.h"

namespace {

// A command button is disabled while its command runs and enabled again however it ends.
class DisabledWhileBusy {
public:
    explicit DisabledWhileBusy(QWidget* button) : button_(button) { button_->setEnabled(false); }
    ~DisabledWhileBusy() { button_->setEnabled(true); }
    DisabledWhileBusy(const DisabledWhileBusy&) = delete;
    DisabledWhileBusy& operator=(const DisabledWhileBusy&) = delete;

private:
    QWidget* button_;
};

const Bytes kPlay = "再生";
const Bytes kStop = "停止";

}  // namespace

TForm1::TForm1(QWidget* parent, MciApi& mci) : QMainWindow(parent), MP1(mci) {
    setupUi(this);
    // A caption of "-" is a separator, as in the layout's menu.
    for (QAction* item : findChildren<QAction*>()) {
        if (item->text() == QLatin1String("-")) {
            item->setText({});  // a separator with text would be drawn as a section title
            item->setSeparator(true);
        }
    }
    setWindowIcon(QIcon(QStringLiteral(":/quilvane.svg")));
    L_format->adjustSize();
    // The client area below the menu is 814 x 494, the layout's panels side by side.
    resize(814, 494 + MainMenu1->sizeHint().height());
    ExecuteOpenDialog = [this](TOpenDialog& dialog) { return ChooseFileToOpen(this, dialog.Filter, dialog.FileName); };
    BindHandlers();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::BindHandlers() {
    const std::pair<QAction*, void (TForm1::*)()> items[] = {
        {O1, &TForm1::O1Click},       {Q1, &TForm1::Q1Click},       {NH0, &TForm1::NH0Click},
        {NH1, &TForm1::NH1Click},     {NH2, &TForm1::NH2Click},     {NH3, &TForm1::NH3Click},
        {NH4, &TForm1::NH4Click},     {NH5, &TForm1::NH5Click},     {NT0, &TForm1::NT0Click},
        {NT1, &TForm1::NT1Click},     {N_R1, &TForm1::N_R1Click},   {N_R2, &TForm1::N_R2Click},
        {Mode0, &TForm1::Mode0Click}, {Mode1, &TForm1::Mode1Click},
    };
    for (const auto& [item, handler] : items) BindMenuItem(item, [this, handler = handler] { (this->*handler)(); });
    connect(B_Open, &QPushButton::clicked, this, [this] { RunHandler([this] { B_OpenClick(); }); });
    connect(B_Rename, &QPushButton::clicked, this, [this] { RunHandler([this] { B_RenameClick(); }); });
    connect(SB1, &QToolButton::clicked, this, [this] { RunHandler([this] { SB1Click(); }); });
    ListBox1->OnClick = [this] { ListBox1Click(); };
}

void TForm1::Show(Qt::WindowStates state) {
    AcroPDF1->Activate();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    setWindowState(state);
    show();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    RunHandler([this] { FormResize(); });
}

// ---- Start-up and quitting ----

void TForm1::FormCreate() {
    CurrentMode = 0;
    FitMode = 0;
    ToolbarMode = 0;
}

void TForm1::Q1Click() { close(); }

// ---- Working modes ----

void TForm1::Mode0Click() { SetMode(0); }
void TForm1::Mode1Click() { SetMode(1); }

void TForm1::SetMode(int mode) {
    if (mode == 0) {
        CurrentMode = 0;
        E_Rename->clear();
        ListBox1->Clear();
        Mode0->setChecked(true);
        Mode1->setChecked(false);
        SB1->hide();
        CB2->hide();
        AcroPDF1->show();
        SetCaption(L_format, ".pdf");
        SetCaption(B_Open, "PDFファイルを開く");
        if (!MP1.FileName.empty()) MP1.PlayerStop();
    } else if (mode == 1) {
        CurrentMode = 1;
        E_Rename->clear();
        ListBox1->Clear();
        Mode0->setChecked(false);
        Mode1->setChecked(true);
        SetCaption(SB1, kPlay);
        SB1->setEnabled(false);
        SB1->show();
        CB2->show();
        AcroPDF1->hide();
        SetCaption(L_format, ".mp3");
        SetCaption(B_Open, "MP3ファイルを開く");
    }
}

Bytes TForm1::ModeExtension() const {
    if (CurrentMode == 0) return ".pdf";
    if (CurrentMode == 1) return ".mp3";
    return {};
}

// ---- Opening and loading ----

void TForm1::LoadDocument(const Bytes& path) {
    if (path.empty()) return;
    if (CurrentMode == 0) {
        AcroPDF1->ViewerLoadFile(path);
        SetFitMode(FitMode);
        SetToolbarMode(ToolbarMode);
        AcroPDF1->ViewerShowScrollbars(true);
        AcroPDF1->ViewerSetLayoutMode(u"SinglePage");
    } else if (CurrentMode == 1) {
        MP1.FileName = path;
        MP1.PlayerOpen();
        SB1->setEnabled(true);
        if (CB2->isChecked()) {
            MP1.PlayerPlay();
            SetCaption(SB1, kStop);
        } else {
            SetCaption(SB1, kPlay);
        }
    }
    SetText(E_Filename, path);
    CurrentFileName = FileNamePart(path);
    CurrentStem = CurrentFileName.size() > 4 ? CurrentFileName.substr(0, CurrentFileName.size() - 4) : Bytes();
    SetText(E_Rename, CurrentStem);
    SetCaption(this, "Quilvane  [" + GetText(E_Filename) + "]");
    RefreshFileList();
}

void TForm1::OpenFileCommand() {
    const DisabledWhileBusy busy(B_Open);
    TOpenDialog* dialog = CurrentMode == 0 ? &OpenDialog1 : CurrentMode == 1 ? &OpenDialog2 : nullptr;
    if (dialog != nullptr && ExecuteOpenDialog(*dialog)) LoadDocument(dialog->FileName);
}

void TForm1::B_OpenClick() { OpenFileCommand(); }
void TForm1::O1Click() { OpenFileCommand(); }

void TForm1::FormResize() {
    if (CurrentMode == 0) LoadDocument(GetText(E_Filename));
}

// ---- The folder list ----

void TForm1::ListFolderFiles(const Bytes& folder) {
    const Bytes pattern = CurrentMode == 0 ? "*.pdf" : CurrentMode == 1 ? "*.mp3" : "";
    if (!FolderExists(folder)) return;
    DirectorySearch search(WithTrailingDelimiter(folder) + pattern);
    for (bool more = search.Found(); more; more = search.Next()) {
        const DirEntry& entry = search.Current();
        if (entry.isDirectory) continue;
        if (entry.name == "." || entry.name == "..") continue;
        ListBox1->Add(entry.name);
    }
}

void TForm1::RefreshFileList() {
    const Bytes path = GetText(E_Filename);
    {
        // The rows reach the view in one go, as the difference from the rows
        // shown, also when the listing fails half-way.
        struct EndUpdate {
            TListBox* list;
            ~EndUpdate() { list->EndUpdate(); }
        } endUpdate{ListBox1};
        ListBox1->BeginUpdate();
        ListBox1->Clear();
        ListFolderFiles(FolderPart(path));
    }
    const Bytes current = FileNamePart(path);
    int currentRow = -1;  // no row when the file is not listed, as after a fresh list
    for (int i = 0; i < ListBox1->Count(); ++i) {
        if (ListBox1->Item(i) == current) currentRow = i;
    }
    ListBox1->SetItemIndex(currentRow);
}

// ---- Picking a file ----

void TForm1::ListBox1Click() {
    if (ListBox1->ItemIndex() < 0) return;
    const Bytes picked = ListBox1->Item(ListBox1->ItemIndex());
    // A current file that another program removed has nothing left to rename.
    if (N_R2->isChecked() && PathExists(GetText(E_Filename))) RenameCommand();
    for (int i = 0; i < ListBox1->Count(); ++i) {
        if (ListBox1->Item(i) == picked) ListBox1->SetItemIndex(i);
    }
    LoadDocument(FolderPart(GetText(E_Filename)) + ListBox1->Item(ListBox1->ItemIndex()));
}

void TForm1::N_R1Click() { N_R1->setChecked(!N_R1->isChecked()); }
void TForm1::N_R2Click() { N_R2->setChecked(!N_R2->isChecked()); }

// ---- Renaming ----

bool TForm1::HasForbiddenChar(const Bytes& name) const { return ::HasForbiddenChar(name); }

Bytes TForm1::ForbiddenCharMessage() {
    Bytes message = "ファイル名に使えない文字があります";
    for (char c : ForbiddenChars) {
        message += ' ';
        message += c;
    }
    return message;
}

void TForm1::B_RenameClick() { RenameCommand(); }

void TForm1::RenameCommand() {
    const DisabledWhileBusy busy(B_Rename);
    const Bytes extension = ModeExtension();
    const Bytes path = GetText(E_Filename);
    const Bytes newName = GetText(E_Rename);
    if (path.empty() || newName.empty()) return;
    PendingNewPath = FolderPart(path) + newName + extension;
    if (PendingNewPath == path) return;  // the name it already has
    if (const auto found = FindFirstMatch(PendingNewPath); found && !found->isDirectory) return;
    if (HasForbiddenChar(newName)) {
        ShowStopBox({MessageBoxRequest::Kind::ForbiddenCharBox, this, QStringLiteral("エラー"),
                     ToQString(ForbiddenCharMessage())});
        return;
    }
    if (N_R1->isChecked() && Form2 != nullptr) {
        SetCaption(Form2->L_Moto, FileNamePart(path));
        SetCaption(Form2->L_Shin, newName + extension);
        Form2->ShowModal();
    } else {
        PerformRename();
    }
}

void TForm1::PerformRename() {
    const Bytes from = GetText(E_Filename);
    const MoveOutcome outcome = MoveFileNoReplace(from, PendingNewPath);
    if (!outcome.moved) {
        // A refused move is reported, and the file stays the current one.
        throw Exception("「" + FileNamePart(from) + "」の名前を「" + FileNamePart(PendingNewPath) +
                        "」に変更できませんでした: " + outcome.reason);
    }
    LoadDocument(PendingNewPath);
}

// ---- PDF display settings ----

QAction* TForm1::FitItem(int fit) const {
    QAction* const items[] = {NH0, NH1, NH2, NH3, NH4, NH5};
    return fit >= 0 && fit < 6 ? items[fit] : nullptr;
}

void TForm1::ApplyFitView(int fit) {
    static const std::u16string names[] = {u"Fit", u"FitH", u"FitV", u"FitB", u"FitBH", u"FitBV"};
    if (fit >= 0 && fit < 6) AcroPDF1->ViewerSetView(names[fit]);
}

void TForm1::ApplyToolbar(int mode) {
    if (mode == 0) AcroPDF1->ViewerShowToolbar(false);
    if (mode == 1) AcroPDF1->ViewerShowToolbar(true);
}

void TForm1::SetFitMode(int fit) {
    for (int i = 0; i < 6; ++i) FitItem(i)->setChecked(false);
    ApplyFitView(fit);
    if (QAction* item = FitItem(fit)) item->setChecked(true);
    FitMode = fit;
}

void TForm1::SetToolbarMode(int mode) {
    NT0->setChecked(false);
    NT1->setChecked(false);
    ApplyToolbar(mode);
    if (mode == 0) NT0->setChecked(true);
    if (mode == 1) NT1->setChecked(true);
    ToolbarMode = mode;
}

void TForm1::NH0Click() { SetFitMode(0); }
void TForm1::NH1Click() { SetFitMode(1); }
void TForm1::NH2Click() { SetFitMode(2); }
void TForm1::NH3Click() { SetFitMode(3); }
void TForm1::NH4Click() { SetFitMode(4); }
void TForm1::NH5Click() { SetFitMode(5); }
void TForm1::NT0Click() { SetToolbarMode(0); }
void TForm1::NT1Click() { SetToolbarMode(1); }

// ---- Playback controls ----

void TForm1::SB1Click() {
    if (GetCaption(SB1) == kStop) {
        SetCaption(SB1, kPlay);
        MP1.PlayerStop();
    } else {
        SetCaption(SB1, kStop);
        MP1.PlayerPlay();
    }
}
