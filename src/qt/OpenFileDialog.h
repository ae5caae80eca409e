// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAbstractListModel>
#include <QDialog>
#include <QIcon>
#include <vector>

#include "core/Bytes.h"
#include "platform/FileSystem.h"

class QComboBox;
class QLineEdit;
class QListView;
class QListWidget;
class QPushButton;
class QToolButton;

// A folder's entries as bytes, folders first; text is made only for rows in view.
class FolderEntryModel : public QAbstractListModel {
public:
    explicit FolderEntryModel(QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void Reset(std::vector<DirEntry> entries);
    const DirEntry& Entry(int row) const { return rows_[row]; }
    int RowOf(const Bytes& name) const;  // -1 when absent

private:
    std::vector<DirEntry> rows_;
    QIcon folderIcon_;
    QIcon fileIcon_;
};

// An open-file dialog in the look of Qt's own whose rows are names as bytes:
// what it hands back is the entry the user chose, byte for byte. Names that do
// not decode show each such byte as \xHH, so look-alikes look different.
class TByteFileDialog : public QDialog {
    Q_OBJECT
public:
    // `filter` is "text|pattern", as TOpenDialog holds it.
    TByteFileDialog(QWidget* parent, const QString& filter);

    // Lists `folder`; false (and nothing changes) when it is not a folder.
    bool SetFolder(const Bytes& folder);
    const Bytes& Folder() const { return folder_; }  // with its trailing delimiter
    void SelectFile(const Bytes& name);
    const Bytes& ChosenPath() const { return chosen_; }
    // A folder is chosen instead of a file: the folder shown, by a button of its own.
    void ChooseFolders();
    FolderEntryModel& Entries() { return model_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls(const QString& filterText);
    bool Navigate(const Bytes& folder, bool remember);
    void ListFolder();
    void GoUp();
    void Activate(const QModelIndex& index);
    void OpenTyped();
    void Choose(const Bytes& path);
    void UpdateControls();

    FolderEntryModel model_;
    std::vector<Bytes> patterns_;  // the filter's, or a wildcard the user typed
    std::vector<Bytes> filterPatterns_;
    Bytes folder_;
    Bytes chosen_;
    std::vector<Bytes> history_;
    std::size_t historyAt_ = 0;

    QComboBox* lookIn_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    QToolButton* up_ = nullptr;
    QListWidget* sidebar_ = nullptr;
    QListView* list_ = nullptr;
    QLineEdit* fileName_ = nullptr;
    QComboBox* fileType_ = nullptr;
    QPushButton* open_ = nullptr;
};

// Shows the dialog in the folder of `fileName` with that file selected (the
// working folder when there is none); true, with `fileName` the chosen path,
// when the user chose a file.
bool ChooseFileToOpen(QWidget* owner, const Bytes& filter, Bytes& fileName);
// The same dialog choosing a folder, starting at `folder`; true with it set to the choice.
bool ChooseFolder(QWidget* owner, Bytes& folder);
