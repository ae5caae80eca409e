#pragma once
#include <QMainWindow>
#include <functional>

#include "core/Bytes.h"
#include "player/MediaPlayer.h"
#include "ui_TForm1.h"

class TForm2;

// An open-file dialog: its one filter entry and the file last chosen in it.
struct TOpenDialog {
    QString Filter;  // "text|pattern"
    Bytes FileName;
};

// The main window: the controls of the layout, the process-wide values, the
// handlers and the operations they delegate to.
class TForm1 : public QMainWindow, public Ui::TForm1 {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr, MciApi& mci = PlatformMci());
    ~TForm1() override;

    // Activates the viewer, then shows the window centred (or as `state` asks).
    void Show(Qt::WindowStates state = Qt::WindowNoState);
    void SetConfirmationDialog(TForm2* form2) { Form2 = form2; }

    // Process-wide values.
    int CurrentMode = 0;
    int FitMode = 0;
    int ToolbarMode = 0;
    Bytes PendingNewPath;
    Bytes CurrentFileName;
    Bytes CurrentStem;

    TMediaPlayer MP1;
    TOpenDialog OpenDialog1{QStringLiteral("PDFファイル (*.pdf)|*.pdf"), {}};
    TOpenDialog OpenDialog2{QStringLiteral("MP3ファイル (*.mp3)|*.mp3"), {}};
    TForm2* Form2 = nullptr;

    // Shows an open dialog; true with its FileName set when the user chose a file.
    // Tests answer it instead of a user.
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

    // The forbidden-character error box's text.
    static Bytes ForbiddenCharMessage();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BindHandlers();
    Bytes ModeExtension() const;
    QAction* FitItem(int fit) const;
};
