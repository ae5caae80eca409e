// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QMainWindow>
#include <functional>

#include "core/Bytes.h"
#include "forms/Form1Logic.h"
#include "qt/NameList.h"
#include "qt/QtControls.h"
#include "ui_TForm1.h"

class TForm2;
class THistoryWindow;

// The main window on Qt: the layout's widgets, handed to the window's logic
// through the control interfaces, and its events routed to the handlers.
class TForm1 : public QMainWindow, public Ui::TForm1 {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr, MciApi& mci = PlatformMci());
    ~TForm1() override;

    // Activates the viewer, then shows the window centred (or as `state` asks).
    void Show(Qt::WindowStates state = Qt::WindowNoState);
    void SetConfirmationDialog(TForm2* form2);

private:
    // The layout is set up first: the adapters below wrap its widgets.
    struct SetUpLayout {
        explicit SetUpLayout(TForm1* form);
    } layout_{this};
    QtWindow window_{this};
    QtButton b_Open_{B_Open}, b_Rename_{B_Rename}, sb1_{SB1}, cb2_{CB2};
    QtEdit e_Filename_{E_Filename}, e_Rename_{E_Rename};
    QtLabel l_format_{L_format};
    QtMenuItem mode0_{Mode0}, mode1_{Mode1}, nh0_{NH0}, nh1_{NH1}, nh2_{NH2}, nh3_{NH3}, nh4_{NH4}, nh5_{NH5},
        nt0_{NT0}, nt1_{NT1}, n_R1_{N_R1}, n_R2_{N_R2}, n_Undo_{N_Undo}, n_Names_{N_Names},
        n_FillProposed_{N_FillProposed};
    QtMessageBoxes boxes_{this};
    TNameList nameList_{E_Rename};

public:
    Form1Logic Logic;

    // The logic's process-wide values and operations, as the window's own.
    int& CurrentMode = Logic.CurrentMode;
    int& FitMode = Logic.FitMode;
    int& ToolbarMode = Logic.ToolbarMode;
    Bytes& PendingNewPath = Logic.PendingNewPath;
    Bytes& CurrentFileName = Logic.CurrentFileName;
    Bytes& CurrentStem = Logic.CurrentStem;
    TMediaPlayer& MP1 = Logic.MP1;
    TOpenDialog& OpenDialog1 = Logic.OpenDialog1;
    TOpenDialog& OpenDialog2 = Logic.OpenDialog2;
    // Tests answer the open dialog instead of a user.
    std::function<bool(TOpenDialog& dialog)>& ExecuteOpenDialog = Logic.ExecuteOpenDialog;

    // Name candidates from `source` from now on; its results come back through NamesRead.
    void SetNameSource(NameSource* source) { Logic.Names = source; }
    TNameList& NameList() { return nameList_; }

    // The window of this session's renames, made when first asked for.
    THistoryWindow& HistoryWindow();

    void SetMode(int mode) { Logic.SetMode(mode); }
    void LoadDocument(const Bytes& path) { Logic.LoadDocument(path); }
    void RefreshFileList() { Logic.RefreshFileList(); }
    void RenameCommand() { Logic.RenameCommand(); }
    void PerformRename() { Logic.PerformRename(); }
    static Bytes ForbiddenCharMessage() { return Form1Logic::ForbiddenCharMessage(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BindHandlers();
    THistoryWindow* history_ = nullptr;
};
