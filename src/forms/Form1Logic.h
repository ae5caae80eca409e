// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

#include "core/Bytes.h"
#include "forms/Controls.h"
#include "forms/RenameJournal.h"
#include "names/NameScheme.h"
#include "names/NameSource.h"
#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"
#include "player/MediaPlayer.h"

class Form2Logic;

// The main window's controls as its logic sees them.
struct Form1Controls {
    IWindow& Window;
    ICaptioned& B_Open;
    ICaptioned& B_Rename;
    IEdit& E_Filename;
    IEdit& E_Rename;
    ICaptioned& L_format;
    ICaptioned& SB1;
    ICheckBox& CB2;
    IListBox& ListBox1;
    IPdfViewer& AcroPDF1;
    IMenuItem& Mode0;
    IMenuItem& Mode1;
    IMenuItem& NH0;
    IMenuItem& NH1;
    IMenuItem& NH2;
    IMenuItem& NH3;
    IMenuItem& NH4;
    IMenuItem& NH5;
    IMenuItem& NT0;
    IMenuItem& NT1;
    IMenuItem& N_R1;
    IMenuItem& N_R2;
    IMenuItem& N_Undo;
    IMessageBoxes& Boxes;
    IDropDownList& NameList;
    IMenuItem& N_Names;
    IMenuItem& N_FillProposed;
};

// The main window's handlers and the operations they delegate to, with the
// process-wide values. It knows no toolkit: the controls are interfaces.
class Form1Logic : private Form1Controls {
public:
    Form1Logic(const Form1Controls& controls, MciApi& mci);

    // Process-wide values.
    int CurrentMode = 0;
    int FitMode = 0;
    int ToolbarMode = 0;
    Bytes PendingNewPath;
    Bytes CurrentFileName;
    Bytes CurrentStem;

    TMediaPlayer MP1;
    TOpenDialog OpenDialog1{"PDFファイル (*.pdf)|*.pdf", {}};
    TOpenDialog OpenDialog2{"MP3ファイル (*.mp3)|*.mp3", {}};
    Form2Logic* Form2 = nullptr;

    // This session's renames, for undo and series naming.
    RenameJournal Journal;
    // Runs after each change of the journal, so a history window can follow it.
    std::function<void()> OnJournalChanged;

    // Reads a file's identity for the journal and for undo; tests hide the birth time here.
    std::function<std::optional<FileIdentity>(const Bytes& path)> IdentityOf = IdentityOfPath;

    // Reads name candidates from the files shown; none when the front end has no reader.
    NameSource* Names = nullptr;

    // Asks for a folder, starting at the one given; true with it set to the folder chosen.
    std::function<bool(Bytes& folder)> ExecuteFolderDialog;
    // Where "フォルダへ移動" puts files, for this session; asked for at its first use.
    Bytes MoveTarget;

    // Shows an open dialog; true with its FileName set when the user chose a file.
    std::function<bool(TOpenDialog& dialog)> ExecuteOpenDialog;

    // Handlers.
    void FormCreate();
    void Q1Click();
    void B_OpenClick();
    void O1Click();
    void FormResize();
    void ListBox1Click();
    void B_RenameClick();
    void N_R1Click();
    void N_R2Click();
    void Mode0Click();
    void Mode1Click();
    void NH0Click();
    void NH1Click();
    void NH2Click();
    void NH3Click();
    void NH4Click();
    void NH5Click();
    void NT0Click();
    void NT1Click();
    void SB1Click();
    void N_UndoClick();
    void N_NamesClick();
    // "提案した名前を名前欄に入れる": the name composed in the user's scheme
    // goes into the name box, selected, while the box holds what it was given.
    void N_FillProposedClick();
    // The current file to the trash, or to the move target; then the next file
    // is current, or the previous one at the end of the list.
    void N_TrashClick();
    void N_MoveClick();
    void N_MoveTargetClick();
    // Enter in the name box: the rename, then a pick of the row `step` away
    // (1 next, -1 previous) from the file's row before the rename. With no
    // such row it renames and stays; a rename declined or refused stays too.
    void E_RenameEnter(int step);
    // The name list's row `row` chosen: it goes into the name box at the
    // cursor, in place of the selection, so that names can be combined.
    void NameListChoose(int row);
    // Candidates read for `path`, handed on by the front end from the reader:
    // the file shown, or an example of how the user names files.
    void NamesRead(const Bytes& path, const FileNames& found);
    // The scheme learnt from the names given so far, if any.
    const std::optional<NameTemplate>& Scheme() const { return scheme_; }

    // Operations.
    void SetMode(int mode);
    void LoadDocument(const Bytes& path);
    void OpenFileCommand();
    void ListFolderFiles(const Bytes& folder);
    void RefreshFileList();
    void RenameCommand();
    void PerformRename();
    bool HasForbiddenChar(const Bytes& name) const;
    void SetFitMode(int fit);
    void SetToolbarMode(int mode);
    void ApplyFitView(int fit);
    void ApplyToolbar(int mode);
    // Moves a journal entry's file back to its old name and folder (out of the
    // trash, back from a move), while it is still the same file and the old
    // name is free; raises with the reason otherwise.
    void UndoRename(std::size_t index);
    // Fills the name box with the last rename's name, its number stepped by `delta`.
    void StepSeries(int delta);

    // The forbidden-character error box's text.
    static Bytes ForbiddenCharMessage();

private:
    Bytes ModeExtension() const;
    Bytes ModePattern() const;  // the folder list's search pattern
    // Highlights the current file's row, or none when it is not listed; a
    // file picked that could not be shown keeps the highlight instead.
    void SelectCurrentRow();
    // Loads the file of a row; one that fails stays highlighted, so that the
    // next step goes past it, and is what trash and move act on.
    void LoadListed(const Bytes& name);
    Bytes ActedOnPath() const;
    Bytes unshown_;  // the file picked that could not be shown
    void ApplyListingChange(const ListingChange& change, const Bytes& pattern);
    bool MoveRenamedRow(const std::vector<ListingChange>& changes, const Bytes& pattern);
    int FirstRowNotBefore(const Bytes& name) const;
    int RowOf(const Bytes& name) const;  // -1 when no row holds it
    void OpenRecording(const Bytes& path);
    bool ChooseMoveTarget();
    // The row a step lands on when the current file leaves the folder.
    Bytes NeighbourRow() const;
    // After the current file left: `next` is current, or nothing is.
    void StepAfterLeaving(const Bytes& next);
    void RecordAndStep(RenameRecord record, const Bytes& next);
    // `change` takes the file at `path` away; true when it did.
    bool ReleasingRecording(const Bytes& path, const std::function<bool()>& change);
    MoveOutcome MoveReleasingPlayer(const Bytes& from, const Bytes& to);
    IMenuItem* FitItem(int fit) const;
    // Where the list's rows came from: the folder, the mode and the kept listing's version.
    struct ListedRows {
        Bytes folder;
        int mode = -1;
        unsigned long version = 0;
        bool operator==(const ListedRows&) const = default;
    };
    ListedRows listed_;
    unsigned long listedVersion_ = 0;  // of the listing the last search walked
    void JournalChanged();
    // The name list follows the file shown: the name composed in the user's
    // scheme, its candidates, or why there are none.
    void OfferNames();
    void ShowNames(const std::optional<FileNames>& found);
    void FillProposedName();
    std::vector<Bytes> offered_;
    std::optional<FileNames> shown_;  // what was read from the file shown
    Bytes composed_;                  // its name in the user's scheme
    Bytes filled_;                    // what the box was given from it

    // Examples of the user's scheme: renames, and the folder's own names.
    struct WaitingRename {
        Bytes path;
        std::u16string oldStem, name;
    };
    void LearnRename(const Bytes& from, const Bytes& to);
    void ForgetRename(const RenameRecord& record);
    void AskForFolderExamples();
    void TakeWaitingRenames();
    void Relearn();
    std::vector<WaitingRename> waiting_;    // renamed before their fields were read
    std::vector<std::pair<int, NameExample>> earlier_;  // renames in other folders, by mode
    std::vector<NameExample> folderNamed_;  // the folder's own names, oldest first
    std::vector<NameExample> renamed_;      // renames in this folder
    ListedRows examplesOf_;                 // the folder and mode examples were asked for
    std::optional<NameTemplate> scheme_;
};
