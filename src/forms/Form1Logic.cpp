// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/Form1Logic.h"

#include <algorithm>

#include "core/Errors.h"
#include "core/NaturalOrder.h"
#include "core/FileNameCheck.h"
#include "core/Paths.h"
#include "forms/Form2Logic.h"
#include "forms/SeriesName.h"
#include "names/Candidates.h"
#include "platform/FileSystem.h"
#include "platform/Trash.h"

namespace {

// A command button is disabled while its command runs and enabled again however it ends.
class DisabledWhileBusy {
public:
    explicit DisabledWhileBusy(IControl& button) : button_(button) { button_.SetEnabled(false); }
    ~DisabledWhileBusy() { button_.SetEnabled(true); }
    DisabledWhileBusy(const DisabledWhileBusy&) = delete;
    DisabledWhileBusy& operator=(const DisabledWhileBusy&) = delete;

private:
    IControl& button_;
};

const Bytes kPlay = "再生";
const Bytes kStop = "停止";
const Bytes kReadingNames = "読み取り中…";
const Bytes kNoNames = "候補なし";
// Files read ahead in list order, so that a step finds its candidates ready.
constexpr std::size_t kNamesReadAhead = 2;
// The renames remembered: older ones teach nothing the newer ones do not.
constexpr std::size_t kMostExamplesKept = 40;
constexpr std::size_t kMostWaitingRenames = 8;

std::u16string Utf16(const Bytes& text) { return ToUtf16(text, CodePage::System()); }
Bytes StemOf(const Bytes& path) {
    const Bytes name = FileNamePart(path);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : Bytes();
}
// A file's fields with its name before the rename: scan0042's 0042 may be in the new one.
FileFields WithOldName(FileFields fields, const std::u16string& stem) {
    for (Field& field : OldNameFields(stem)) fields.push_back(std::move(field));
    return fields;
}

}  // namespace

Form1Logic::Form1Logic(const Form1Controls& controls, MciApi& mci) : Form1Controls(controls), MP1(mci) {
    FormCreate();
    N_Undo.SetEnabled(false);
    N_Names.SetChecked(true);
    ShowNames(FileNames{});
}

// ---- Start-up and quitting ----

void Form1Logic::FormCreate() {
    CurrentMode = 0;
    FitMode = 0;
    ToolbarMode = 0;
}

void Form1Logic::Q1Click() { Window.Close(); }

// ---- Working modes ----

void Form1Logic::Mode0Click() { SetMode(0); }
void Form1Logic::Mode1Click() { SetMode(1); }

void Form1Logic::SetMode(int mode) {
    listed_ = {};
    if (Names != nullptr) Names->Cancel();
    ShowNames(FileNames{});
    if (mode == 0) {
        CurrentMode = 0;
        E_Rename.SetText({});
        ListBox1.Clear();
        Mode0.SetChecked(true);
        Mode1.SetChecked(false);
        SB1.SetVisible(false);
        CB2.SetVisible(false);
        AcroPDF1.SetVisible(true);
        L_format.SetCaption(".pdf");
        B_Open.SetCaption("PDFファイルを開く");
        if (!MP1.FileName.empty()) MP1.PlayerStop();
    } else if (mode == 1) {
        CurrentMode = 1;
        E_Rename.SetText({});
        ListBox1.Clear();
        Mode0.SetChecked(false);
        Mode1.SetChecked(true);
        SB1.SetCaption(kPlay);
        SB1.SetEnabled(false);
        SB1.SetVisible(true);
        CB2.SetVisible(true);
        AcroPDF1.SetVisible(false);
        L_format.SetCaption(".mp3");
        B_Open.SetCaption("MP3ファイルを開く");
    }
}

Bytes Form1Logic::ModePattern() const {
    const Bytes extension = ModeExtension();
    return extension.empty() ? Bytes() : "*" + extension;
}

Bytes Form1Logic::ModeExtension() const {
    if (CurrentMode == 0) return ".pdf";
    if (CurrentMode == 1) return ".mp3";
    return {};
}

// ---- Opening and loading ----

void Form1Logic::LoadDocument(const Bytes& path) {
    if (path.empty()) return;
    unshown_.clear();
    if (CurrentMode == 0) {
        AcroPDF1.ViewerLoadFile(path);
        AcroPDF1.SetVisible(true);
        SetFitMode(FitMode);
        SetToolbarMode(ToolbarMode);
        AcroPDF1.ViewerShowScrollbars(true);
        AcroPDF1.ViewerSetLayoutMode(u"SinglePage");
    } else if (CurrentMode == 1) {
        OpenRecording(path);
    }
    E_Filename.SetText(path);
    CurrentFileName = FileNamePart(path);
    CurrentStem = StemOf(path);
    E_Rename.SetText(CurrentStem);
    filled_.clear();
    Window.SetCaption("Quilvane  [" + E_Filename.Text() + "]");
    RefreshFileList();
    OfferNames();
}

void Form1Logic::OpenRecording(const Bytes& path) {
    MP1.FileName = path;
    MP1.PlayerOpen();
    SB1.SetEnabled(true);
    if (CB2.Checked()) {
        MP1.PlayerPlay();
        SB1.SetCaption(kStop);
    } else {
        SB1.SetCaption(kPlay);
    }
}

// On Windows the device holds the recording open without delete sharing, so
// it lets go while `change` moves the file away; the load that follows opens
// it again, and a refused change opens the old file again.
bool Form1Logic::ReleasingRecording(const Bytes& path, const std::function<bool()>& change) {
    const bool deviceHasIt = CurrentMode == 1 && MP1.DeviceOpened && MP1.FileName == path;
    if (deviceHasIt) MP1.PlayerClose();
    const bool changed = change();
    if (deviceHasIt && !changed) OpenRecording(path);
    return changed;
}

MoveOutcome Form1Logic::MoveReleasingPlayer(const Bytes& from, const Bytes& to) {
    MoveOutcome outcome;
    ReleasingRecording(from, [&] { return (outcome = MoveFileNoReplace(from, to)).moved; });
    return outcome;
}

void Form1Logic::OpenFileCommand() {
    const DisabledWhileBusy busy(B_Open);
    TOpenDialog* dialog = CurrentMode == 0 ? &OpenDialog1 : CurrentMode == 1 ? &OpenDialog2 : nullptr;
    if (dialog != nullptr && ExecuteOpenDialog(*dialog)) LoadDocument(dialog->FileName);
}

void Form1Logic::B_OpenClick() { OpenFileCommand(); }
void Form1Logic::O1Click() { OpenFileCommand(); }

void Form1Logic::FormResize() {
    if (CurrentMode == 0) LoadDocument(E_Filename.Text());
}

// ---- The folder list ----

void Form1Logic::ListFolderFiles(const Bytes& folder) {
    const Bytes pattern = ModePattern();
    if (!FolderExists(folder)) return;
    DirectorySearch search(WithTrailingDelimiter(folder) + pattern);
    listedVersion_ = search.ListingVersion();
    for (bool more = search.Found(); more; more = search.Next()) {
        const DirEntry& entry = search.Current();
        if (entry.isDirectory) continue;
        if (entry.name == "." || entry.name == "..") continue;
        // Windows also matches d.pdfx through its short name; only what ends in the extension is listed.
        if (!WildcardMatch(pattern, entry.name)) continue;
        ListBox1.Add(entry.name);
    }
}

void Form1Logic::RefreshFileList() {
    const Bytes path = E_Filename.Text();
    // Rows listed from the kept listing as it still stands are listed already:
    // a step through 100,000 files lists nothing again.
    const Bytes pattern = ModePattern();
    const Bytes searchFolder = FolderPart(WithTrailingDelimiter(FolderPart(path)) + pattern);
    const ListedRows now{searchFolder, CurrentMode, KeptFolderVersion(searchFolder)};
    if (now.version != 0 && now.folder == listed_.folder && now.mode == listed_.mode) {
        // A few names changed, as by a rename: only their rows go and come.
        constexpr std::size_t kMostChanges = 64;
        const auto changes = now.version == listed_.version ? std::optional<std::vector<ListingChange>>(std::in_place)
                                                            : KeptFolderChangesSince(searchFolder, listed_.version);
        if (changes && changes->size() <= kMostChanges) {
            if (!MoveRenamedRow(*changes, pattern))
                for (const ListingChange& change : *changes) ApplyListingChange(change, pattern);
            listed_ = now;
            SelectCurrentRow();
            return;
        }
    }
    listed_ = {};  // a listing that fails half-way is listed again next time
    listedVersion_ = 0;
    {
        // The rows reach the view in one go, as the difference from the rows
        // shown, also when the listing fails half-way.
        struct EndUpdate {
            IListBox& list;
            ~EndUpdate() { list.EndUpdate(); }
        } endUpdate{ListBox1};
        ListBox1.BeginUpdate();
        ListBox1.Clear();
        ListFolderFiles(FolderPart(path));
    }
    listed_ = {searchFolder, CurrentMode, listedVersion_};
    SelectCurrentRow();
}

namespace {

// Whether an entry of the listing has a row, as ListFolderFiles decides.
bool Listed(const std::optional<DirEntry>& entry, const Bytes& pattern) {
    return entry && !entry->isDirectory && entry->name != "." && entry->name != ".." && WildcardMatch(pattern, entry->name);
}

}  // namespace

void Form1Logic::ApplyListingChange(const ListingChange& change, const Bytes& pattern) {
    if (const int row = RowOf(change.name); row >= 0) ListBox1.Delete(row);
    if (Listed(change.now, pattern)) ListBox1.Insert(FirstRowNotBefore(change.now->name), change.now->name);
}

// A rename as the list sees it: one row gone, one come. It moves in place,
// with the count unchanged.
bool Form1Logic::MoveRenamedRow(const std::vector<ListingChange>& changes, const Bytes& pattern) {
    if (changes.size() != 2) return false;
    int from = -1;
    const Bytes* name = nullptr;
    for (const ListingChange& change : changes) {
        const int row = RowOf(change.name);
        const bool listed = Listed(change.now, pattern);
        if (row >= 0 && !listed && from < 0) from = row;
        else if (row < 0 && listed && name == nullptr) name = &change.now->name;
        else return false;
    }
    int to = FirstRowNotBefore(*name);
    if (to > from) --to;
    ListBox1.Move(from, to, *name);
    return true;
}

// The rows stand in the folder's natural order, so a name is found by halves.
int Form1Logic::FirstRowNotBefore(const Bytes& name) const {
    int low = 0, high = ListBox1.Count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (NaturalLess(ListBox1.Item(middle), name)) low = middle + 1;
        else high = middle;
    }
    return low;
}

int Form1Logic::RowOf(const Bytes& name) const {
    const int row = FirstRowNotBefore(name);
    return row < ListBox1.Count() && ListBox1.Item(row) == name ? row : -1;
}

void Form1Logic::SelectCurrentRow() {
    // A file that could not be shown keeps the highlight, so the next step goes past it.
    if (const int row = unshown_.empty() ? -1 : RowOf(unshown_); row >= 0) {
        ListBox1.SetItemIndex(row);
        return;
    }
    // No row when the file is not listed, as after a fresh list.
    ListBox1.SetItemIndex(RowOf(FileNamePart(E_Filename.Text())));
}

void Form1Logic::LoadListed(const Bytes& name) {
    try {
        LoadDocument(FolderPart(E_Filename.Text()) + name);
    } catch (...) {
        // The file shown stays current, and the one that failed stays highlighted.
        unshown_ = name;
        SelectCurrentRow();
        throw;
    }
}

Bytes Form1Logic::ActedOnPath() const {
    const int row = ListBox1.ItemIndex();
    if (!unshown_.empty() && row >= 0 && ListBox1.Item(row) == unshown_) return FolderPart(E_Filename.Text()) + unshown_;
    return E_Filename.Text();
}

// ---- Picking a file ----

void Form1Logic::ListBox1Click() {
    if (ListBox1.ItemIndex() < 0) return;
    const Bytes picked = ListBox1.Item(ListBox1.ItemIndex());
    try {
        // A current file that another program removed has nothing left to rename;
        // a name only proposed, untouched, is not the user's until Enter or the button.
        const bool proposedOnly = !filled_.empty() && E_Rename.Text() == filled_;
        if (N_R2.Checked() && !proposedOnly && PathExists(E_Filename.Text())) RenameCommand();
    } catch (...) {
        // A refused rename: the file shown stays the current one, and the next arrow key starts from its row.
        unshown_.clear();
        SelectCurrentRow();
        throw;
    }
    if (const int row = RowOf(picked); row >= 0) ListBox1.SetItemIndex(row);
    LoadListed(ListBox1.Item(ListBox1.ItemIndex()));
}

void Form1Logic::E_RenameEnter(int step) {
    const int row = ListBox1.ItemIndex();
    const int target = row + step;
    // The row is chosen before the rename, which may move the file's own row.
    const Bytes next = row >= 0 && target >= 0 && target < ListBox1.Count() ? ListBox1.Item(target) : Bytes();
    const Bytes typed = E_Rename.Text();
    RenameCommand();
    // A scanner's X.PDF left as X keeps its name: the extension is matched as the platform matches names.
    const Bytes wanted = typed + ModeExtension();
    const bool renamed = typed.empty() || CurrentFileName == wanted ||
                         (CurrentFileName.size() == wanted.size() &&
                          CurrentFileName.compare(0, typed.size(), typed) == 0 &&
                          WildcardMatch(ModeExtension(), CurrentFileName.substr(typed.size())));
    if (next.empty() || !renamed) return;
    const int nextRow = RowOf(next);
    if (nextRow < 0) return;  // gone meanwhile: the list shows what is there
    ListBox1.SetItemIndex(nextRow);
    ListBox1Click();
}

void Form1Logic::N_R1Click() { N_R1.SetChecked(!N_R1.Checked()); }
void Form1Logic::N_R2Click() { N_R2.SetChecked(!N_R2.Checked()); }

// ---- Renaming ----

bool Form1Logic::HasForbiddenChar(const Bytes& name) const { return ::HasForbiddenChar(name); }

Bytes Form1Logic::ForbiddenCharMessage() {
    Bytes message = "ファイル名に使えない文字があります";
    for (char c : ForbiddenChars) {
        message += ' ';
        message += c;
    }
    return message;
}

void Form1Logic::B_RenameClick() { RenameCommand(); }

void Form1Logic::RenameCommand() {
    const DisabledWhileBusy busy(B_Rename);
    const Bytes extension = ModeExtension();
    const Bytes path = E_Filename.Text();
    const Bytes newName = E_Rename.Text();
    if (path.empty() || newName.empty()) return;
    PendingNewPath = FolderPart(path) + newName + extension;
    if (PendingNewPath == path) return;  // the name it already has
    if (const auto found = FindFirstMatch(PendingNewPath); found && !found->isDirectory) return;
    if (HasForbiddenChar(newName)) {
        Boxes.ShowStop(IMessageBoxes::Kind::ForbiddenCharBox, "エラー", ForbiddenCharMessage());
        return;
    }
    if (N_R1.Checked() && Form2 != nullptr) {
        Form2->L_Moto.SetCaption(FileNamePart(path));
        Form2->L_Shin.SetCaption(newName + extension);
        Form2->ShowModal();
    } else {
        PerformRename();
    }
}

void Form1Logic::PerformRename() {
    const Bytes from = E_Filename.Text();
    const MoveOutcome outcome = MoveReleasingPlayer(from, PendingNewPath);
    if (!outcome.moved) {
        // A refused move is reported, and the file stays the current one.
        throw Exception("「" + FileNamePart(from) + "」の名前を「" + FileNamePart(PendingNewPath) +
                        "」に変更できませんでした: " + outcome.reason);
    }
    if (const auto identity = IdentityOf(PendingNewPath)) {
        Journal.Record({FolderPart(from), FileNamePart(from), FileNamePart(PendingNewPath), *identity});
        JournalChanged();
    }
    LearnRename(from, PendingNewPath);
    LoadDocument(PendingNewPath);
}

// ---- Trash and move ----

void Form1Logic::N_TrashClick() {
    const Bytes path = ActedOnPath();
    if (path.empty()) return;
    const Bytes name = FileNamePart(path);
    const auto refuse = [&](const Bytes& reason) { throw Exception("「" + name + "」をごみ箱に移動できませんでした: " + reason); };
    if (!PathExists(path)) refuse("ファイルが見つかりません");
    if (N_R1.Checked() && !Boxes.AskYesNo("確認", "「" + name + "」をごみ箱に移動しますか？")) return;
    const Bytes next = NeighbourRow();
    TrashOutcome outcome;
    if (!ReleasingRecording(path, [&] { return (outcome = MoveToTrash(path)).moved; })) refuse(outcome.reason);
    RenameRecord record{FolderPart(path), name, FileNamePart(outcome.trashed.path), {}};
    record.kind = RenameRecord::Kind::Trash;
    record.trashed = outcome.trashed;
    RecordAndStep(std::move(record), next);
}

void Form1Logic::N_MoveTargetClick() { ChooseMoveTarget(); }

bool Form1Logic::ChooseMoveTarget() {
    Bytes folder = MoveTarget.empty() ? FolderPart(E_Filename.Text()) : MoveTarget;
    if (!ExecuteFolderDialog || !ExecuteFolderDialog(folder) || folder.empty()) return false;
    MoveTarget = WithTrailingDelimiter(folder);
    return true;
}

void Form1Logic::N_MoveClick() {
    const Bytes path = ActedOnPath();
    if (path.empty()) return;
    if (MoveTarget.empty() && !ChooseMoveTarget()) return;
    const Bytes name = FileNamePart(path);
    const auto refuse = [&](const Bytes& reason) { throw Exception("「" + name + "」を移動できませんでした: " + reason); };
    if (!PathExists(path)) refuse("ファイルが見つかりません");
    if (!FolderExists(MoveTarget)) refuse("移動先のフォルダ「" + MoveTarget + "」が見つかりません");
    if (FolderPart(path) == MoveTarget) refuse("移動先が今のフォルダと同じです");
    if (N_R1.Checked() && !Boxes.AskYesNo("確認", "「" + name + "」を「" + MoveTarget + "」に移動しますか？")) return;
    const Bytes next = NeighbourRow();
    MoveOutcome outcome;
    if (!ReleasingRecording(path, [&] { return (outcome = MoveFileAnywhere(path, MoveTarget + name)).moved; }))
        refuse(outcome.reason);
    RenameRecord record{FolderPart(path), name, name, {}};
    record.kind = RenameRecord::Kind::Move;
    record.newFolder = MoveTarget;
    RecordAndStep(std::move(record), next);
}

void Form1Logic::RecordAndStep(RenameRecord record, const Bytes& next) {
    if (const auto identity = IdentityOf(record.NewPath())) {
        record.identity = *identity;
        Journal.Record(std::move(record));
        JournalChanged();
    }
    StepAfterLeaving(next);
}

Bytes Form1Logic::NeighbourRow() const {
    const int row = ListBox1.ItemIndex();
    if (row < 0) return {};
    if (row + 1 < ListBox1.Count()) return ListBox1.Item(row + 1);
    return row > 0 ? ListBox1.Item(row - 1) : Bytes();
}

void Form1Logic::StepAfterLeaving(const Bytes& next) {
    const Bytes folder = FolderPart(E_Filename.Text());
    if (!next.empty() && PathExists(folder + next)) {
        LoadListed(next);
        return;
    }
    // A file that could not be shown went: the one shown stays.
    if (PathExists(E_Filename.Text())) {
        unshown_.clear();
        RefreshFileList();
        return;
    }
    // Nothing left to show: no page of a file that is gone.
    E_Filename.SetText({});
    E_Rename.SetText({});
    CurrentFileName.clear();
    CurrentStem.clear();
    if (CurrentMode == 0) AcroPDF1.SetVisible(false);
    SB1.SetEnabled(false);
    Window.SetCaption("Quilvane");
    ListBox1.Clear();
    listed_ = {};
    ShowNames(FileNames{});
}

// ---- Undo and series naming ----

void Form1Logic::N_UndoClick() {
    if (!Journal.Empty()) UndoRename(Journal.Size() - 1);
}

void Form1Logic::UndoRename(std::size_t index) {
    if (index >= Journal.Size()) return;
    const RenameRecord record = Journal.At(index);
    const Bytes from = record.NewPath();
    const Bytes to = record.folder + record.oldName;
    const auto refuse = [&](const Bytes& reason) {
        switch (record.kind) {
        case RenameRecord::Kind::Trash: throw Exception("「" + record.oldName + "」をごみ箱から戻せませんでした: " + reason);
        case RenameRecord::Kind::Move: throw Exception("「" + record.oldName + "」を元のフォルダに戻せませんでした: " + reason);
        case RenameRecord::Kind::Rename: break;
        }
        throw Exception("「" + record.newName + "」を「" + record.oldName + "」に戻せませんでした: " + reason);
    };
    const auto now = IdentityOf(from);
    if (!now) refuse("ファイルが見つかりません");
    if (!SameFile(*now, record.identity)) refuse("別のファイルに置き換えられています");
    if (!FolderExists(record.folder)) refuse("元のフォルダが見つかりません");
    const MoveOutcome outcome = record.kind == RenameRecord::Kind::Trash  ? RestoreFromTrash(record.trashed, to)
                                : record.kind == RenameRecord::Kind::Move ? MoveFileAnywhere(from, to, &record.identity)
                                                                          : MoveReleasingPlayer(from, to);
    if (!outcome.moved) refuse(outcome.reason);
    Journal.Remove(index);
    JournalChanged();
    ForgetRename(record);
    // A file back in the folder shown, or the file shown under its old name, is shown.
    const bool intoShown = record.kind != RenameRecord::Kind::Rename &&
                           (E_Filename.Text().empty() || FolderPart(E_Filename.Text()) == record.folder);
    if (E_Filename.Text() == from || intoShown) LoadDocument(to);
    else RefreshFileList();
    if (!outcome.leftBehind.empty()) throw Exception("「" + record.oldName + "」は戻しましたが、" + outcome.leftBehind);
}

void Form1Logic::StepSeries(int delta) {
    if (Journal.Empty()) return;
    const Bytes& given = Journal.Newest().newName;
    const Bytes typed = given.size() > 4 ? given.substr(0, given.size() - 4) : given;
    if (const auto next = StepLastNumber(typed, delta)) E_Rename.SetText(*next);
}

void Form1Logic::JournalChanged() {
    N_Undo.SetEnabled(!Journal.Empty());
    if (OnJournalChanged) OnJournalChanged();
}

// ---- Names from the file ----

void Form1Logic::N_NamesClick() {
    const bool on = !N_Names.Checked();
    N_Names.SetChecked(on);
    if (Names != nullptr) Names->SetEnabled(on);
    OfferNames();
}

void Form1Logic::N_FillProposedClick() {
    N_FillProposed.SetChecked(!N_FillProposed.Checked());
    FillProposedName();
}

void Form1Logic::OfferNames() {
    const Bytes path = E_Filename.Text();
    if (Names == nullptr || !N_Names.Checked() || path.empty()) {
        if (Names != nullptr) Names->Cancel();
        examplesOf_ = {};
        ShowNames(FileNames{});
        return;
    }
    TakeWaitingRenames();
    std::vector<Bytes> readAhead;
    const Bytes folder = FolderPart(path);
    for (int row = ListBox1.ItemIndex() + 1; row > 0 && row < ListBox1.Count() && readAhead.size() < kNamesReadAhead; ++row)
        readAhead.push_back(folder + ListBox1.Item(row));
    // A file renamed before it was read is read next, to learn from its name.
    for (const WaitingRename& waiting : waiting_) readAhead.push_back(waiting.path);
    ShowNames(Names->Request(path, readAhead));
    AskForFolderExamples();
}

void Form1Logic::NamesRead(const Bytes& path, const FileNames& found) {
    if (Names == nullptr || !N_Names.Checked()) return;
    TakeWaitingRenames();
    if (path == E_Filename.Text()) {
        ShowNames(found);
    } else if (FolderPart(path) == examplesOf_.folder) {
        // Only examples come back for other files, the most recent first:
        // each one is older than those before it.
        folderNamed_.insert(folderNamed_.begin(), {found.fields, Utf16(StemOf(path))});
        Relearn();
    }
}

// The names the folder's files have already been given teach the scheme
// before the first rename; a scanner's or recorder's names teach nothing.
void Form1Logic::AskForFolderExamples() {
    const ListedRows now{FolderPart(E_Filename.Text()), CurrentMode, 0};
    if (now == examplesOf_) return;
    for (NameExample& example : renamed_) earlier_.emplace_back(examplesOf_.mode, std::move(example));
    examplesOf_ = now;
    renamed_.clear();
    folderNamed_.clear();
    std::vector<Bytes> names;
    names.reserve(std::size_t(ListBox1.Count()));
    for (int row = 0; row < ListBox1.Count(); ++row) names.push_back(ListBox1.Item(row));
    Names->RequestExamples(examplesOf_.folder, names);
    Relearn();
}

void Form1Logic::LearnRename(const Bytes& from, const Bytes& to) {
    if (Names == nullptr || !N_Names.Checked()) return;
    WaitingRename rename{to, Utf16(StemOf(from)), Utf16(StemOf(to))};
    // The file shown was read already; another is read again if it is not kept.
    std::optional<FileNames> found = from == E_Filename.Text() ? shown_ : std::nullopt;
    if (!found) found = Names->Kept(to);
    if (!found) {
        waiting_.push_back(std::move(rename));
        if (waiting_.size() > kMostWaitingRenames) waiting_.erase(waiting_.begin());
        return;
    }
    renamed_.push_back({WithOldName(found->fields, rename.oldStem), rename.name});
    Relearn();
}

// A rename undone was a mistake, not an example.
void Form1Logic::ForgetRename(const RenameRecord& record) {
    if (record.kind != RenameRecord::Kind::Rename) return;
    const std::u16string name = Utf16(StemOf(record.newName));
    const auto given = std::find_if(renamed_.rbegin(), renamed_.rend(), [&](const NameExample& e) { return e.name == name; });
    if (given != renamed_.rend()) {
        renamed_.erase(std::next(given).base());
        Relearn();
    }
    std::erase_if(waiting_, [&](const WaitingRename& w) { return w.name == name; });
}

void Form1Logic::TakeWaitingRenames() {
    std::vector<WaitingRename> waiting;
    waiting.swap(waiting_);
    for (WaitingRename& rename : waiting) {
        const std::optional<FileNames> found = Names->Kept(rename.path);
        if (!found) {
            waiting_.push_back(std::move(rename));
            continue;
        }
        renamed_.push_back({WithOldName(found->fields, rename.oldStem), rename.name});
        Relearn();
    }
}

void Form1Logic::Relearn() {
    // A PDF's scheme says nothing of an MP3's.
    std::vector<NameExample> examples;
    for (const auto& [mode, example] : earlier_)
        if (mode == CurrentMode) examples.push_back(example);
    for (const auto* group : {&folderNamed_, &renamed_}) examples.insert(examples.end(), group->begin(), group->end());
    if (examples.size() > kMostExamplesKept) examples.erase(examples.begin(), examples.end() - kMostExamplesKept);
    if (earlier_.size() > kMostExamplesKept) earlier_.erase(earlier_.begin(), earlier_.end() - kMostExamplesKept);
    std::optional<NameTemplate> scheme = LearnScheme(examples);
    if (scheme == scheme_) return;
    scheme_ = std::move(scheme);
    if (shown_) ShowNames(shown_);
}

void Form1Logic::ShowNames(const std::optional<FileNames>& found) {
    NameList.SetEnabled(Names != nullptr && N_Names.Checked());
    shown_ = found;
    composed_.clear();
    if (found && scheme_ && !E_Filename.Text().empty())
        composed_ = ComposedName(*scheme_, WithOldName(found->fields, Utf16(CurrentStem)));
    offered_.clear();
    if (!composed_.empty()) offered_.push_back(composed_);
    if (found)
        for (const Bytes& name : found->names)
            if (name != composed_) offered_.push_back(name);
    if (!found) NameList.SetRows({kReadingNames}, false);
    else if (offered_.empty()) NameList.SetRows({kNoNames}, false);
    else NameList.SetRows(offered_, true);
    FillProposedName();
}

void Form1Logic::FillProposedName() {
    if (!N_FillProposed.Checked() || composed_.empty()) return;
    // Never over what the user typed: only over what the box was given.
    const Bytes box = E_Rename.Text();
    if (box != CurrentStem && (filled_.empty() || box != filled_)) return;
    filled_ = composed_;
    if (box != composed_) E_Rename.SetText(composed_);
    E_Rename.SelectAll();
}

void Form1Logic::NameListChoose(int row) {
    if (row >= 0 && row < static_cast<int>(offered_.size())) E_Rename.ReplaceSelection(offered_[row]);
}

// ---- PDF display settings ----

IMenuItem* Form1Logic::FitItem(int fit) const {
    IMenuItem* const items[] = {&NH0, &NH1, &NH2, &NH3, &NH4, &NH5};
    return fit >= 0 && fit < 6 ? items[fit] : nullptr;
}

void Form1Logic::ApplyFitView(int fit) {
    static const std::u16string names[] = {u"Fit", u"FitH", u"FitV", u"FitB", u"FitBH", u"FitBV"};
    if (fit >= 0 && fit < 6) AcroPDF1.ViewerSetView(names[fit]);
}

void Form1Logic::ApplyToolbar(int mode) {
    if (mode == 0) AcroPDF1.ViewerShowToolbar(false);
    if (mode == 1) AcroPDF1.ViewerShowToolbar(true);
}

void Form1Logic::SetFitMode(int fit) {
    for (int i = 0; i < 6; ++i) FitItem(i)->SetChecked(false);
    ApplyFitView(fit);
    if (IMenuItem* item = FitItem(fit)) item->SetChecked(true);
    FitMode = fit;
}

void Form1Logic::SetToolbarMode(int mode) {
    NT0.SetChecked(false);
    NT1.SetChecked(false);
    ApplyToolbar(mode);
    if (mode == 0) NT0.SetChecked(true);
    if (mode == 1) NT1.SetChecked(true);
    ToolbarMode = mode;
}

void Form1Logic::NH0Click() { SetFitMode(0); }
void Form1Logic::NH1Click() { SetFitMode(1); }
void Form1Logic::NH2Click() { SetFitMode(2); }
void Form1Logic::NH3Click() { SetFitMode(3); }
void Form1Logic::NH4Click() { SetFitMode(4); }
void Form1Logic::NH5Click() { SetFitMode(5); }
void Form1Logic::NT0Click() { SetToolbarMode(0); }
void Form1Logic::NT1Click() { SetToolbarMode(1); }

// ---- Playback controls ----

void Form1Logic::SB1Click() {
    if (SB1.Caption() == kStop) {
        SB1.SetCaption(kPlay);
        MP1.PlayerStop();
    } else {
        SB1.SetCaption(kStop);
        MP1.PlayerPlay();
    }
}
